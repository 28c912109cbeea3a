#pragma once

#include <string_view>

// Every text the wizard shows, byte for byte. Line breaks are CR LF.
namespace ordertable::texts {

inline constexpr std::string_view kIntro =
    "This program allows you to make an offline, searchable, responsive web table "
    "of your AliExpress purchases."
    "\r\n\r\n"
    "To proceed, open AliExpress in your PC browser (IE Edge Chrome Firefox...) "
    "and connect to your AliExpress account then go to 'My Orders'."
    "\r\n\r\n"
    "When you are ready click on 'Next'.";

// Unlike the intro, it has a comma after "responsive".
inline constexpr std::string_view kUpdateQuestion =
    "This program allows you to make an offline, searchable, responsive, web table "
    "of your AliExpress purchases."
    "\r\n\r\n"
    "We detected an existing 'AliExpress Orders.html', "
    "would you like to update it with recent purchases ? ";

inline constexpr std::string_view kErase =
    "Are you sure you want to start from new and erase (overwrite) "
    "your existing table of purchases ?";

// The erase step again, when the table could not be moved aside: nothing was erased.
inline constexpr std::string_view kEraseFailed =
    "Your table could not be moved to 'AliExpress Orders.bkp' (a folder or a read-only file "
    "has that name), so nothing was erased. Move that file away and click on 'ERASE' again, "
    "or click on 'Prev.' to update your table instead.";

inline constexpr std::string_view kAdvice =
    "If you have a lot of orders, we suggest that you display "
    "them \"30/page\" from the drop-down control near the top of the list."
    "\r\n\r\n"
    "When you are ready click on 'Next'.";

// Today's order page draws its list with a script: its source holds no order. The orders come
// as the replies of the marketplace's API, which the browser's developer tools copy as a HAR.
// The bookmark comes first: it reads the whole list in the shopper's own browser and copies it
// as such a HAR.
inline constexpr std::string_view kCaptureSteps =
    "Today's 'My Orders' page holds no orders in its source. Click on 'Bookmark', drag the "
    "link of the page it opens to your bookmarks bar, click that bookmark in 'My Orders', "
    "then on 'Copy for OrderTable'."
    "\r\n\r\n"
    "Or, in that page: F12 > 'Network', reload (F5), click 'View orders' until it disappears, "
    "then right-click a request > Copy > 'Copy all as HAR'."
    "\r\n\r\n"
    "When you are ready click on 'Next'.";
// The page with the bookmark could not be written: kBookmarkNotWritten + the reason + ".".
inline constexpr std::string_view kBookmarkNotWritten =
    "The page with the bookmark could not be written beside the table: ";

// In the capture step, for a copied page source of today's order page (no order in it).
inline constexpr std::string_view kCaptureHowTo =
    "This page source holds no orders. Press F12 > Network, reload (F5), click 'View "
    "orders' until it disappears, then right-click a request > Copy > 'Copy all as HAR'.";
// A capture whose list stops before its end (and, for an update, before a known order).
inline constexpr std::string_view kCaptureIncomplete =
    "Some orders are missing: click 'View orders' under the list until it disappears, then "
    "right-click a request > Copy > 'Copy all as HAR' again.";
// A capture whose every reply was refused: the session had expired.
inline constexpr std::string_view kCaptureRefused =
    "AliExpress refused the list (your session has expired): log in again, reload the page "
    "(F5), then copy all as HAR again.";

// A capture of one tab ("To pay", "Processed") or of a search only, not of the whole list.
inline constexpr std::string_view kCaptureFiltered =
    "These replies list one tab or a search only: choose 'View all' and all time, clear the "
    "search box, reload the page (F5), then copy all as HAR again.";
// A copy whose text stops part way.
inline constexpr std::string_view kCaptureCutShort =
    "The copied HAR is cut short: right-click a request > Copy > 'Copy all as HAR' again.";

// The capture could not begin: another run of the program has the folder.
inline constexpr std::string_view kFolderBusy =
    "Another OrderTable is working on the table of this folder. Wait until it has ended, "
    "then click on 'Next' again.";
// kFolderNotLocked + the system's reason + ".".
inline constexpr std::string_view kFolderNotLocked =
    "This folder could not be prepared for the table: ";

inline constexpr std::string_view kInstruction =
    "- Hit [ Ctrl + U ] in the Orders page to view its source code"
    "\r\n"
    "- Hit [ Ctrl + A ] to select all the code (after it is displayed 100%)"
    "\r\n"
    "- Hit [ Ctrl + C ] to copy the source code to the clipboard";

inline constexpr std::string_view kNextPage =
    "Use the right arrow to go to the next page of your orders, then"
    "\r\n"
    "- Hit [ Ctrl + U ] in the Orders page to view its source code"
    "\r\n"
    "- Hit [ Ctrl + A ] to select all the code (after it is displayed 100%)"
    "\r\n"
    "- Hit [ Ctrl + C ] to copy the source code to the clipboard";

// Buttons.
inline constexpr std::string_view kNext = "Next";
inline constexpr std::string_view kCancel = "Cancel";
inline constexpr std::string_view kYes = "YES";
inline constexpr std::string_view kNo = "No";
inline constexpr std::string_view kEraseButton = "ERASE";
inline constexpr std::string_view kPrevious = "Prev.";
inline constexpr std::string_view kView = "VIEW";
inline constexpr std::string_view kLocate = "Locate";
inline constexpr std::string_view kCaptureStepsButton = "Today's page";
inline constexpr std::string_view kBookmarkButton = "Bookmark";

// Status line; each must fit its 110 pixels.
inline constexpr std::string_view kFirstExpectation = "Expected: page 1/??";
inline constexpr std::string_view kExpectation = "Expected: page ";
inline constexpr std::string_view kTreatingOrders = "TREATING ORDERS";
inline constexpr std::string_view kWrongPage = "Error: wrong page";
// The page was right but its cached page file could not be written.
inline constexpr std::string_view kNotSaved = "Error: not saved";
// A capture that cannot be built: the list was cut short, or every reply refused.
inline constexpr std::string_view kIncomplete = "Error: incomplete";
inline constexpr std::string_view kRefused = "Error: refused";
inline constexpr std::string_view kFiltered = "Error: one tab only";
inline constexpr std::string_view kCutShort = "Error: cut short";
inline constexpr std::string_view kUpdatingTable = "UPDATING TABLE";
inline constexpr std::string_view kGeneratingTable = "GENERATING TABLE";

// Fast re-build question: kFastRebuild + pages + kFastRebuildEnd.
inline constexpr std::string_view kFastRebuild = "Do a fast re-build of the table from ";
inline constexpr std::string_view kFastRebuildEnd = " pages ?";

// Closes the browser's source tab: Ctrl held, w, Ctrl released.
inline constexpr std::string_view kCloseTabScript = "{CTRL_D}w{CTRL_U}";

// Result step.
inline constexpr std::string_view kUpToDate =
    " No new order found :)"
    "\r\n\r\n"
    "Your offline, searchable, responsive, web table of "
    "AliExpress purchases is already up-to-date !"
    "\r\n\r\n"
    "Do you want to view the table now ?";

// kUpdatedHead + rows + kUpdatedTail.
inline constexpr std::string_view kUpdatedHead =
    "Your offline, searchable, responsive, web table of "
    "AliExpress purchases has successfully been updated !"
    "\r\n\r\n";
inline constexpr std::string_view kUpdatedTail =
    " new item(s) were added."
    "\r\n\r\n"
    "The rating for the new orders are still randomized. "
    "If you want to give them a correct rating, open the Html file "
    "in an editor such as Notepad, and change the numbers after "
    "each occurence of: <span class='stars'>"
    "\r\n\r\n"
    "Do you want to view your AliExpress Orders table now ?";

// kGeneratedHead + rows + kGeneratedMiddle + pages + kGeneratedTail.
inline constexpr std::string_view kGeneratedHead =
    "The offline, searchable, responsive, web table of your "
    "AliExpress purchases has successfully been generated !"
    "\r\n\r\n";
inline constexpr std::string_view kGeneratedMiddle = " items were found across ";
inline constexpr std::string_view kGeneratedTail =
    " pages."
    "\r\n\r\n"
    "By default the rating for each order has been randomized. "
    "If you want to give a correct rating, open the Html file "
    "in an editor such as Notepad, and change the numbers after "
    "each occurence of: <span class='stars'>"
    "\r\n\r\n"
    "Do you want to view your AliExpress Orders table now ?";

// kUnreadableOrdersHead + count + kUnreadableOrdersTail, after the result.
inline constexpr std::string_view kUnreadableOrdersHead = "\r\n\r\nBeware: ";
inline constexpr std::string_view kUnreadableOrdersTail =
    " order(s) of the list had no readable order number and are not in the table.";

// When the build could not write the table: a head by mode, then where the table that was
// there before now is, then what to do.
inline constexpr std::string_view kNotUpdatedHead =
    "Your offline, searchable, responsive, web table of "
    "AliExpress purchases could not be updated !"
    "\r\n\r\n"
    "The new orders could not be written to the disk. ";
inline constexpr std::string_view kNotGeneratedHead =
    "The offline, searchable, responsive, web table of your "
    "AliExpress purchases could not be written to the disk !"
    "\r\n\r\n";
// Where the table that was there before now is (the failed build says it).
inline constexpr std::string_view kStillInDocument =
    "No order was lost: your previous table is still in 'AliExpress Orders.html'.";
inline constexpr std::string_view kKeptInBackup =
    "No order was lost: your previous table is kept in 'AliExpress Orders.bkp'. "
    "Rename it to 'AliExpress Orders.html' to get it back.";
inline constexpr std::string_view kStillOnline =
    "No order was lost: your orders are all still listed in 'My Orders' on AliExpress.";
// What to do, by the cause of the failure.
inline constexpr std::string_view kRetryTableOpen =
    "\r\n\r\n"
    "Make sure that the disk is not full and that no other program has the table open, "
    "then run this program again.";
inline constexpr std::string_view kRetryReadOnly =
    "\r\n\r\n"
    "Make sure that the disk is not full and that this folder is not read-only, "
    "then run this program again.";
inline constexpr std::string_view kRetryAssets =
    "\r\n\r\n"
    "The files the table needs could not be written to the folder 'AliExpress Orders files' "
    "beside it. Make sure that the disk is not full, that this folder is not read-only and "
    "that no file of that name is in the way, then run this program again.";
inline constexpr std::string_view kRetryFolderInTheWay =
    "\r\n\r\nA folder named 'AliExpress Orders.html' is in the way of the table: move or "
    "rename that folder, then run this program again.";
inline constexpr std::string_view kRetryMemory =
    "\r\n\r\n"
    "The computer ran short of memory: close some other programs, then run this program again.";

}  // namespace ordertable::texts

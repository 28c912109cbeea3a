#include "table/bookmark_page.h"

#include "files/files.h"
#include "orders/order_list_rows.h"

namespace ordertable {

// Made from web/bookmark.js when the program is built (table/embed_bookmark.cmake).
extern const std::string_view kBookmarkAddress;

namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Get AliExpress orders</title>\n"
    "<style>\n"
    "body { max-width: 44em; margin: 2em auto; padding: 0 1em; font: 16px/1.5 system-ui,"
    " \"Segoe UI\", Roboto, Arial, sans-serif; color: #222; }\n"
    "h1 { font-size: 1.6em; } h2 { font-size: 1.2em; margin-top: 2.5em; }\n"
    "#ordertable-bookmark { display: inline-block; padding: .6em 1.2em; border-radius: 6px;"
    " background: #e62e04; color: #fff; font-weight: 600; text-decoration: none; cursor: move; }\n"
    "li { margin-bottom: .6em; } .small { color: #555; font-size: .9em; }\n"
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<h1>Get your AliExpress orders</h1>\n"
    "<p>This bookmark reads your whole order list on AliExpress in your own browser and hands"
    " it to OrderTable: every order, every item. Nothing to install. It asks AliExpress through"
    " the orders page itself, like a person clicking \"View orders\" every few seconds, and"
    " never reads your cookies.</p>\n"
    "<p><a id=\"ordertable-bookmark\" href=\"";

constexpr std::string_view kBody =
    "\">AliExpress orders for OrderTable</a></p>\n"
    "<ol>\n"
    "<li><b>Drag the red button above to your bookmarks bar</b> (once). No bar? Press"
    " Ctrl+Shift+B to show it.</li>\n"
    "<li>Open <a href=\"https://www.aliexpress.com/p/order/index.html\">My Orders</a> on"
    " AliExpress (log in if asked) and <b>click the bookmark</b>. A box at the top right counts"
    " the pages; about 2 seconds a page, so a minute for 300 orders.</li>\n"
    "<li>When it says all orders are read, click <b>Copy for OrderTable</b> and switch to"
    " OrderTable: it takes the orders from the clipboard. (Or <b>Save as file</b> and give the"
    " file to <code>ordertable-cli import</code>.)</li>\n"
    "</ol>\n"
    "<p class=\"small\">If AliExpress asks you to prove you are not a robot, or to log in again,"
    " the box says so: do it on the page, then click the bookmark again. A list you stopped"
    " part way is good for an update of your table, not for a new one.</p>\n"
    "<h2>Without the bookmark: the developer tools</h2>\n"
    "<ol>\n"
    "<li>Log in and open <a href=\"https://www.aliexpress.com/p/order/index.html\">My"
    " Orders</a>.</li>\n"
    "<li>Press F12 and open the <b>Network</b> tab.</li>\n"
    "<li>Reload the page (F5) with the tools open: the first ten orders are fetched while it"
    " loads.</li>\n"
    "<li>Click <b>View orders</b> under the list until it no longer appears.</li>\n"
    "<li>Right-click any request of the list: in Chrome and Edge <b>Copy</b> &#9656; <b>Copy all"
    " as HAR (sanitized)</b>, in Firefox <b>Copy All As HAR</b>. (Or save a file: Chrome's"
    " download-arrow button <b>Export HAR (sanitized)&hellip;</b>, Firefox's <b>Save All As"
    " HAR</b>.)</li>\n"
    "</ol>\n"
    "<p class=\"small\">A HAR saved by Firefox holds your session's cookies: delete the file once"
    " OrderTable has read it, and never share it.</p>\n"
    "</body>\n"
    "</html>\n";

}  // namespace

std::string_view BookmarkAddress() { return kBookmarkAddress; }

std::string BookmarkPage(std::string_view bookmark_address) {
  std::string page(kHead);
  // The address goes into a quoted attribute: the build percent-encodes quotes and angle
  // brackets already, but an '&' would start a character reference.
  AppendHtmlText(page, bookmark_address);
  page += kBody;
  return page;
}

bool WriteBookmarkPage(const std::filesystem::path& file, std::string* reason) {
  const std::string page = BookmarkPage(BookmarkAddress());
  return files::WriteFileAtomically(file, {page}, reason);
}

}  // namespace ordertable

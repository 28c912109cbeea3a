#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/wizard.h"
#include "tests/app/fake_host.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable::test {

// The wizard's texts as the user must see them, written out here independently of the
// program's own constants.
namespace want {
inline constexpr std::string_view kIntro =
    "This program allows you to make an offline, searchable, responsive web table of your "
    "AliExpress purchases.\r\n\r\nTo proceed, open AliExpress in your PC browser (IE Edge "
    "Chrome Firefox...) and connect to your AliExpress account then go to 'My Orders'.\r\n\r\n"
    "When you are ready click on 'Next'.";
inline constexpr std::string_view kUpdateQuestion =
    "This program allows you to make an offline, searchable, responsive, web table of your "
    "AliExpress purchases.\r\n\r\nWe detected an existing 'AliExpress Orders.html', would you "
    "like to update it with recent purchases ? ";
inline constexpr std::string_view kErase =
    "Are you sure you want to start from new and erase (overwrite) your existing table of "
    "purchases ?";
inline constexpr std::string_view kAdvice =
    "If you have a lot of orders, we suggest that you display them \"30/page\" from the "
    "drop-down control near the top of the list.\r\n\r\nWhen you are ready click on 'Next'.";
inline constexpr std::string_view kInstruction =
    "- Hit [ Ctrl + U ] in the Orders page to view its source code\r\n- Hit [ Ctrl + A ] to "
    "select all the code (after it is displayed 100%)\r\n- Hit [ Ctrl + C ] to copy the source "
    "code to the clipboard";
inline constexpr std::string_view kNextPage =
    "Use the right arrow to go to the next page of your orders, then\r\n- Hit [ Ctrl + U ] in "
    "the Orders page to view its source code\r\n- Hit [ Ctrl + A ] to select all the code "
    "(after it is displayed 100%)\r\n- Hit [ Ctrl + C ] to copy the source code to the "
    "clipboard";
inline constexpr std::string_view kUpToDate =
    " No new order found :)\r\n\r\nYour offline, searchable, responsive, web table of "
    "AliExpress purchases is already up-to-date !\r\n\r\nDo you want to view the table now ?";
/// The result text of a new table of `rows` rows from `pages` pages.
std::string Generated(std::string_view rows, std::string_view pages);
/// The result text of an update that added `rows` rows.
std::string Updated(std::string_view rows);
}  // namespace want

/// A minimal order-list page source: the four page markers and the pager label "N/M" (the
/// `counter` text), with LF line breaks and indentation as a browser shows them.
std::string MarkedPage(std::string_view counter, std::string_view body = "");

/// The ratings of a table document, read back in row order: the build draws them at random.
std::vector<std::string> Ratings(std::string_view document);

/// The rows the document must hold for `orders`, numbered from their count down to 1, with
/// `ratings` in row order ("?" where a rating is missing).
std::vector<DocumentRow> NumberedRows(const std::vector<TestOrder>& orders,
                                      const std::vector<std::string>& ratings);

/// A wizard over a FakeHost in a fresh working folder that has a `tmp` folder.
class WizardTest : public ::testing::Test {
 protected:
  WizardTest();
  ~WizardTest() override;

  std::filesystem::path Tmp() const { return folder_ / "tmp"; }
  std::filesystem::path Document() const { return folder_ / "AliExpress Orders.html"; }
  std::filesystem::path CachedPage(int page) const;

  /// Starts the wizard and walks to the capture step (through YES when a table exists);
  /// the transcript starts empty afterwards.
  void EnterCapture();
  /// One timer tick with `page` on the clipboard.
  void CopyAndTick(std::string page);

  std::vector<std::string> Take() { return host_.TakeTranscript(); }

  std::filesystem::path folder_;
  FakeHost host_;
  Wizard wizard_;
};

/// Expected transcript pieces, built from the dialog's description.
namespace lines {
using Lines = std::vector<std::string>;
Lines operator+(Lines a, const Lines& b);
/// The first step: intro, or the update question when a table exists.
Lines Intro();
Lines UpdateQuestion();
/// From the intro or the update question to the advice step.
Lines ToAdvice();
/// Entering the capture step from the advice step.
Lines EnterCapture();
/// Cancelling the capture (before the first step is built again).
Lines CancelCapture();
/// One timer tick that moves the lit dot from `from` (0 = none) on, without its poll.
Lines Tick(int from);
/// A tick's clipboard poll that finds no page.
Lines NoPage();
/// A tick's clipboard poll that finds a page, up to the page-ready notification.
Lines PageFound();
/// The capture from the status "TREATING ORDERS" to the emptied clipboard.
Lines CaptureOpening();
/// The dot blink after a page.
Lines Blink();
/// The blue expectation text and the timer restart.
Lines Expect(std::string_view next_of_total);
/// The build start with `caption` and the worker's start.
Lines BuildStart(std::string_view caption, bool update_mode);
/// The capture of a page from the poll that finds it: tick from dot `from`, the opening, then
/// `outcome` (the lines after the emptied clipboard).
Lines Capture(int from, const Lines& outcome);
/// The worker poll that finds the worker ended, up to the result text and its buttons.
Lines Result(std::string_view outcome, std::string_view text);
}  // namespace lines

}  // namespace ordertable::test

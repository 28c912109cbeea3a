// The capture step with today's order page: a HAR on the clipboard builds or updates the
// table at once; a cut-short or refused capture, and today's page source, say what to do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/wizard_texts.h"
#include "files/files.h"
#include "orders/order_list.h"
#include "table/document.h"
#include "tests/app/wizard_test_support.h"
#include "tests/support/order_captures.h"

namespace ordertable::test {
namespace {

using lines::Lines;
using lines::operator+;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

constexpr std::string_view kIncompleteText =
    "Some orders are missing: click 'View orders' under the list until it disappears, then "
    "right-click a request > Copy > 'Copy all as HAR' again.";
constexpr std::string_view kRefusedText =
    "AliExpress refused the list (your session has expired): log in again, reload the page "
    "(F5), then copy all as HAR again.";
constexpr std::string_view kHowToText =
    "This page source holds no orders. Press F12 > Network, reload (F5), click 'View orders' "
    "until it disappears, then right-click a request > Copy > 'Copy all as HAR'.";

// The capture's opening: as for a page, but no Ctrl+W (the shopper is in the developer tools
// of the orders tab, which it would close).
Lines CaptureOpening() {
  Lines opening = lines::CaptureOpening();
  std::erase(opening, "keys \"{CTRL_D}w{CTRL_U}\"");
  std::erase(opening, "read clipboard");
  return lines::Tick(0) + lines::PageFound() + opening;
}

class WizardOrderListTest : public WizardTest {
 protected:
  static std::vector<TestListOrder> ListOrders(int count, int skip = 0) {
    return MakeListedOrders(count, 8214000000000001 + skip, 9);
  }

  void ExpectTableOf(const RowList& rows) {
    const std::string text = ReadBytes(Document());
    std::vector<DocumentRow> numbered;
    const std::vector<std::string> ratings = Ratings(text);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      numbered.push_back(
          {rows[i], std::to_string(rows.size() - i), i < ratings.size() ? ratings[i] : "?"});
    }
    EXPECT_EQ(text, ExpectedDocument(numbered));
  }

  // The capture was refused: red status, what to do, the timer on, nothing kept or built.
  void ExpectRejected(std::string_view status, std::string_view text) {
    EXPECT_THAT(Take(),
                ElementsAreArray(CaptureOpening() + Lines{line::Status("red", status),
                                                          line::Message(text), "timer start"}));
    EXPECT_EQ(host_.Clipboard(), "");
    EXPECT_EQ(host_.WorkerStarts(), 0);
    EXPECT_FALSE(std::filesystem::exists(Tmp() / "AE_order_list.json"));
    wizard_.OnTimerTick();
    EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::NoPage()));
  }
};

TEST_F(WizardOrderListTest, AHarOnTheClipboardBuildsTheWholeTableAtOnce) {
  const std::vector<TestListOrder> orders = ListOrders(23);
  EnterCapture();
  CopyAndTick(BuildCapture({.orders = orders, .flavour = HarFlavour::kFirefox}));
  EXPECT_THAT(Take(), ElementsAreArray(CaptureOpening() + lines::Blink() +
                                       lines::BuildStart("GENERATING TABLE", false)));
  EXPECT_EQ(host_.Clipboard(), "");
  // Only the orders are kept: not the HAR, which holds the shopper's cookies.
  const std::string stored = ReadBytes(Tmp() / "AE_order_list.json");
  EXPECT_EQ(stored.find("SECRET-SESSION-TOKEN"), std::string::npos);
  EXPECT_EQ(test::FolderEntries(Tmp()), std::vector<std::string>{"AE_order_list.json"});

  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) +
                                       lines::Result("done 23", want::Generated("23", "3"))));
  ExpectTableOf(ExpectedListRows(orders));
}

TEST_F(WizardOrderListTest, AnUpdateAddsTheOrdersAboveTheFirstKnownOne) {
  // The table was made from older pages; the list's seventh order is its newest.
  const std::vector<TestOrder> page_orders = MakeOrders(8, 8012000000000001, 2);
  WriteBytes(Document(), ExpectedDocument(NumberedRows(page_orders, kFirstRatings)));
  std::vector<TestListOrder> list = ListOrders(6);
  TestListOrder known;
  known.order.id = page_orders.front().id;
  known.order.lines.emplace_back();
  list.push_back(known);
  const std::vector<TestListOrder> older = ListOrders(12, 50);
  list.insert(list.end(), older.begin(), older.end());
  const std::string before = ReadBytes(Document());

  EnterCapture();
  CopyAndTick(BuildCapture({.orders = list, .complete = false, .duplicates = true}));
  EXPECT_THAT(Take(), ElementsAreArray(CaptureOpening() + lines::Blink() +
                                       lines::BuildStart("UPDATING TABLE", true)));
  wizard_.OnTimerTick();
  EXPECT_EQ(host_.MessageText(), want::Updated("6"));
  const std::string after = ReadBytes(Document());
  EXPECT_EQ(ReadBytes(folder_ / "AliExpress Orders.bkp"), before);
  // The new rows stand above the known one, numbered 6 to 1; the rows there stay as they were.
  const std::size_t known_row = before.find("<!--" + known.order.id + "-->");
  const RowList fresh = ExpectedListRows({list.begin(), list.begin() + 6});
  const std::vector<std::string> ratings = Ratings(after);
  std::string block;
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    block += ExpectedRowBlock({fresh[i], std::to_string(6 - i), ratings[i]});
  }
  EXPECT_EQ(after, before.substr(0, known_row) + block + before.substr(known_row));
}

TEST_F(WizardOrderListTest, ACutShortListBuildsNothingAndAsksForTheRest) {
  EnterCapture();
  CopyAndTick(BuildCapture({.orders = ListOrders(25), .complete = false}));
  ExpectRejected("Error: incomplete", kIncompleteText);
  EXPECT_FALSE(std::filesystem::exists(Document()));
}

TEST_F(WizardOrderListTest, AnUpdateWhoseCutShortListReachesNoKnownOrderBuildsNothing) {
  WriteBytes(Document(), ExpectedDocument(NumberedRows(MakeOrders(3, 1, 2), kFirstRatings)));
  const std::string before = ReadBytes(Document());
  EnterCapture();
  CopyAndTick(BuildCapture({.orders = ListOrders(25), .complete = false}));
  ExpectRejected("Error: incomplete", kIncompleteText);
  EXPECT_EQ(ReadBytes(Document()), before);
}

TEST_F(WizardOrderListTest, ACaptureWithOnlyRefusedRepliesAsksToLogInAgain) {
  EnterCapture();
  CopyAndTick(BuildCapture({.orders = ListOrders(25), .all_refused = true}));
  ExpectRejected("Error: refused", kRefusedText);
  // The shopper logs in again and copies a good capture: it is taken.
  const std::vector<TestListOrder> orders = ListOrders(5);
  CopyAndTick(BuildCapture({.orders = orders, .refused_retry = true}));
  wizard_.OnTimerTick();
  EXPECT_EQ(host_.MessageText(), want::Generated("5", "1"));
  ExpectTableOf(ExpectedListRows(orders));
}

// A finished reply of another tab next to an unfinished list, a list of one tab only and a
// copy cut short each build nothing and say what to do.
TEST_F(WizardOrderListTest, CapturesOfOneTabOrCutShortBuildNothing) {
  const std::vector<TestListOrder> orders = ListOrders(25);
  const std::string whole = BuildCapture({.orders = orders});
  const struct {
    std::string text;
    std::string_view status;
    std::string_view message;
  } cases[] = {
      {BuildCapture({.orders = orders, .complete = false, .then_tab = "processing"}),
       "Error: incomplete", kIncompleteText},
      {BuildCapture({.orders = orders, .tab = "unpaid"}), "Error: one tab only",
       texts::kCaptureFiltered},
      {whole.substr(0, whole.size() / 2), "Error: cut short", texts::kCaptureCutShort},
  };
  EnterCapture();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    CopyAndTick(c.text);
    EXPECT_EQ(host_.Status(), "red " + Quoted(c.status));
    EXPECT_EQ(host_.MessageText(), c.message);
    EXPECT_TRUE(host_.TimerRunning());
    EXPECT_EQ(host_.WorkerStarts(), 0);
    EXPECT_FALSE(std::filesystem::exists(Tmp() / "AE_order_list.json"));
  }
}

TEST_F(WizardOrderListTest, OrdersWithoutAnIdAreSaidInTheResult) {
  EnterCapture();
  CopyAndTick(BuildCapture({.orders = ListOrders(12), .null_ids = 3}));
  Take();
  wizard_.OnTimerTick();
  EXPECT_EQ(host_.MessageText(),
            want::Generated("9", "1") +
                "\r\n\r\nBeware: 3 order(s) of the list had no readable order number and are "
                "not in the table.");
}

// Another run holds the folder: the capture does not begin, and Next tries again.
TEST_F(WizardOrderListTest, AFolderBusyWithAnotherRunKeepsTheAdviceStep) {
  files::FolderLock::Failure failure = files::FolderLock::Failure::kNone;
  std::optional<files::FolderLock> other =
      files::FolderLock::Acquire(folder_, kTableLock, 0, &failure);
  ASSERT_TRUE(other.has_value());
  wizard_.OnInit();
  wizard_.OnCommand(kIntroNext);
  Take();
  wizard_.OnCommand(kAdviceNext);
  EXPECT_THAT(Take(), ElementsAreArray(Lines{line::Message(texts::kFolderBusy)}));
  EXPECT_EQ(wizard_.step(), Wizard::Step::kAdvice);
  other.reset();
  wizard_.OnCommand(kAdviceNext);
  EXPECT_EQ(wizard_.step(), Wizard::Step::kCapture);
}

TEST_F(WizardOrderListTest, TodaysPageSourceTellsHowToCaptureAndAnUnchangedClipboardCostsNothing) {
  std::string source =
      "<!DOCTYPE html><html><head><script>var prefetch = { api: "
      "\"mtop.aliexpress.trade.buyer.order.list\" };</script></head><body></body></html>";
  source += std::string(50 << 20, ' ');  // as large as a HAR can be
  EnterCapture();
  CopyAndTick(source);
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::NoPage() +
                                       Lines{line::Message(kHowToText)}));
  EXPECT_TRUE(host_.Clipboard() == source);
  EXPECT_TRUE(host_.TimerRunning());
  // The clipboard did not change: the next ticks do not read it.
  wizard_.OnTimerTick();
  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(1) + lines::Tick(2)));
}

TEST_F(WizardOrderListTest, TheAdviceStepShowsTheCaptureStepsWithTheBookmarkAndBack) {
  wizard_.OnInit();
  wizard_.OnCommand(kIntroNext);
  Take();
  constexpr std::string_view kSteps =
      "Today's 'My Orders' page holds no orders in its source. Click on 'Bookmark', drag the "
      "link of the page it opens to your bookmarks bar, click that bookmark in 'My Orders', "
      "then on 'Copy for OrderTable'.\r\n\r\n"
      "Or, in that page: F12 > 'Network', reload (F5), click 'View orders' until it disappears, "
      "then right-click a request > Copy > 'Copy all as HAR'.\r\n\r\n"
      "When you are ready click on 'Next'.";
  const std::string kButton = line::Button(kAdviceBookmark, "Bookmark", "far left");
  wizard_.OnCommand(kAdviceBookmark);  // not shown yet: ignored
  wizard_.OnCommand(kAdviceCaptureSteps);
  wizard_.OnCommand(kAdviceCaptureSteps);
  wizard_.OnCommand(kAdviceCaptureSteps);
  EXPECT_THAT(Take(), ElementsAreArray(Lines{line::Message(kSteps), kButton,
                                             line::Message(want::kAdvice),
                                             line::Remove(kAdviceBookmark),
                                             line::Message(kSteps), kButton}));
  // The page written and opened is checked under Wine. A folder of its name in the way: the
  // system's reason is said, and nothing is opened.
  std::filesystem::create_directory(folder_ / "Get AliExpress orders.html");
  wizard_.OnCommand(kAdviceBookmark);
  constexpr std::string_view kNotWritten =
      "The page with the bookmark could not be written beside the table: ";
  EXPECT_THAT(Take(), ElementsAre(StartsWith("message ")));  // and no open
  EXPECT_THAT(host_.MessageText(), StartsWith(std::string(kNotWritten)));
  EXPECT_GT(host_.MessageText().size(), kNotWritten.size() + 1) << "the system's reason";

  wizard_.OnCommand(kAdviceNext);
  EXPECT_EQ(host_.MessageText(), want::kInstruction);
  EXPECT_FALSE(host_.Controls().contains(kAdviceCaptureSteps));
  EXPECT_FALSE(host_.Controls().contains(kAdviceBookmark));
}

}  // namespace
}  // namespace ordertable::test

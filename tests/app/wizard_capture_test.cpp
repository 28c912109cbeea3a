// The clipboard poll and the page capture: the page check, the cached page files, the fast
// re-build, update mode's early stop, and what the capture does when it is interrupted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "orders/text.h"
#include "tests/app/wizard_test_support.h"
#include "tests/support/order_pages.h"

namespace ordertable::test {
namespace {

using lines::Lines;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using lines::operator+;

std::string Page(int page, int total, std::vector<TestOrder> orders = {}) {
  PageSpec page_spec;
  page_spec.orders = std::move(orders);
  page_spec.page = page;
  page_spec.total_pages = total;
  page_spec.head_kib = 2;
  return BuildPageSource(page_spec);
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

using WizardCaptureTest = WizardTest;

TEST_F(WizardCaptureTest, AClipboardWithoutAllFourMarkersIsNeitherTakenNorChanged) {
  const std::string page = MarkedPage("1/3");
  struct Case {
    const char* what;
    std::string clipboard;
  };
  auto without = [&](std::string_view marker) {
    std::string text = page;
    text.erase(text.find(marker), marker.size());
    return text;
  };
  auto replaced = [&](std::string_view marker, std::string_view by) {
    std::string text = page;
    text.replace(text.find(marker), marker.size(), by);
    return text;
  };
  const Case cases[] = {
      {"empty clipboard", ""},
      {"no <html>", without("<html>")},
      {"no directory name", without("Alibaba Manufacturer Directory")},
      {"no page counter tag", without("<label class=\"ui-label")},
      {"no </html>", without("</html>")},
      {"<HTML> in capitals", replaced("<html>", "<HTML>")},
      {"directory name in small letters",
       replaced("Alibaba Manufacturer Directory", "alibaba manufacturer directory")},
      {"counter tag with single quotes", replaced("class=\"ui-label", "class='ui-label")},
  };
  EnterCapture();
  int lit = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CopyAndTick(c.clipboard);
    EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(lit) + lines::NoPage()));
    lit = lit % 4 + 1;
    EXPECT_EQ(host_.Clipboard(), c.clipboard);
    EXPECT_TRUE(host_.TimerRunning());
  }
}

TEST_F(WizardCaptureTest, TheMarkersMayStandInAnyOrder) {
  EnterCapture();
  CopyAndTick(
      "</html> <label class=\"ui-label\">1/2</label> Alibaba Manufacturer Directory <html>");
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/2\"");
  EXPECT_TRUE(std::filesystem::exists(CachedPage(1)));
}

TEST_F(WizardCaptureTest, AnAcceptedPageIsStoredAndTheNextOneIsAskedFor) {
  EnterCapture();
  const std::string page = Page(1, 3, MakeOrders(2, 8012000000000000, 1));
  CopyAndTick(page);
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(0, lines::Blink() +
                                                             Lines{line::Message(want::kNextPage)} +
                                                             lines::Expect("2/3"))));
  EXPECT_EQ(FileText(CachedPage(1)), CleanUpText(page));
  EXPECT_EQ(host_.Clipboard(), "");
  EXPECT_TRUE(host_.TimerRunning());
  // The timer starts again from the first dot.
  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::NoPage()));
}

TEST_F(WizardCaptureTest, AWrongPageIsShownRejectedAndNotStored) {
  EnterCapture();
  CopyAndTick(Page(2, 5));
  EXPECT_THAT(Take(),
              ElementsAreArray(lines::Capture(0, Lines{line::Status("red", "Error: wrong page")} +
                                                     lines::Blink() + lines::Expect("1/5"))));
  EXPECT_FALSE(std::filesystem::exists(CachedPage(2)));
  EXPECT_EQ(host_.Clipboard(), "");
  EXPECT_EQ(host_.MessageText(), want::kInstruction);
}

TEST_F(WizardCaptureTest, TheSamePageTwiceIsRejectedAndItsFileNotRewritten) {
  EnterCapture();
  CopyAndTick(Page(1, 3));
  std::ofstream(CachedPage(1), std::ios::binary) << "kept";
  Take();
  CopyAndTick(Page(1, 3));
  EXPECT_THAT(Take(),
              ElementsAreArray(lines::Capture(0, Lines{line::Status("red", "Error: wrong page")} +
                                                     lines::Blink() + lines::Expect("2/3"))));
  EXPECT_EQ(FileText(CachedPage(1)), "kept");
}

TEST_F(WizardCaptureTest, APageOfOneStartsTheBuildAtOnce) {
  EnterCapture();
  host_.SetWorkerMode(FakeHost::WorkerMode::kHold);
  CopyAndTick(Page(1, 1));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, lines::Blink() + lines::BuildStart("GENERATING TABLE", false))));
  EXPECT_TRUE(std::filesystem::exists(CachedPage(1)));
  EXPECT_EQ(host_.MessageText(), want::kInstruction);
  EXPECT_TRUE(host_.Controls().at(1003).disabled);
  EXPECT_THAT(host_.ControlIds(), ElementsAre(1003, 9003, 9004, 9005, 9006, 9007));
}

TEST_F(WizardCaptureTest, ThePageNumberAndTheTotalComeFromThePageCounter) {
  struct Step {
    std::string counter;
    const char* status;  // after the capture
    bool stored;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"page 3 of 12 after two pages",
       {{"1/12", "2/12", true}, {"2/12", "3/12", true}, {"3/12", "4/12", true}}},
      {"the total is read once per run",
       {{"1/3", "2/3", true}, {"2/30", "3/3", true}, {"4/30", "3/3", false}}},
      {"no digits after the slash leave the total unread",
       {{"1/", "2/0", true}, {"2/4", "3/4", true}}},
      {"no digits before the slash give page 0", {{"/3", "1/3", false}}},
      {"a rejected first page still sets the total", {{"2/5", "1/5", false}, {"1/7", "2/5", true}}},
  };
  EnterCapture();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int stored = 0;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.counter);
      CopyAndTick(MarkedPage(step.counter));
      EXPECT_EQ(host_.Status(), "blue \"Expected: page " + std::string(step.status) + "\"");
      if (step.stored) ++stored;
      EXPECT_EQ(std::filesystem::exists(CachedPage(stored + 1)), false);
      if (stored > 0) {
        EXPECT_TRUE(std::filesystem::exists(CachedPage(stored)));
      }
    }
    // A new run, without the files of this one.
    wizard_.OnCommand(kCaptureCancel);
    std::filesystem::remove_all(Tmp());
    std::filesystem::create_directory(Tmp());
    wizard_.OnCommand(kIntroNext);
    wizard_.OnCommand(kAdviceNext);
  }
}

TEST_F(WizardCaptureTest, TheNextPageTextIsSetOnceFromTheFirstAcceptedPage) {
  EnterCapture();
  CopyAndTick(Page(1, 3));
  Take();
  CopyAndTick(Page(2, 3));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(0, lines::Blink() + lines::Expect("3/3"))));
  EXPECT_EQ(host_.MessageText(), want::kNextPage);
}

TEST_F(WizardCaptureTest, CancelAfterTwoPagesStartsTheNextRunFromPageOne) {
  EnterCapture();
  CopyAndTick(Page(1, 3));
  CopyAndTick(Page(2, 3));
  wizard_.OnCommand(kCaptureCancel);
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 1/??\"");
  // Files 1 and 2 stay, but the run starts again at page 1 and reads the total anew.
  EXPECT_TRUE(std::filesystem::exists(CachedPage(2)));
  CopyAndTick(Page(1, 4));
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/4\"");
}

// ---------------------------------------------------------------------------------------------
// Fast re-build

class FastRebuildTest : public WizardCaptureTest {
 protected:
  void SetUp() override {
    orders_ = MakeOrders(25, 8012000000000000, 7);
    pages_ = SplitIntoPages(orders_, 10);
    WriteCachedPages(folder_, pages_);  // as a cancelled run left them
    host_.ScriptWorkerOutcome({BuildResult::kDone, 25});
    EnterCapture();
  }
  std::vector<TestOrder> orders_;
  std::vector<PageSpec> pages_;
};

constexpr std::string_view kRebuildQuestion = "Do a fast re-build of the table from 3 pages ?";

TEST_F(FastRebuildTest, YesBuildsFromTheCachedPagesAsTheyAre) {
  const std::string third = FileText(CachedPage(3));
  host_.AnswerNextQuestion(true);
  CopyAndTick(Page(1, 3));  // a page 1 that differs from the cached one
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, Lines{"ask " + Quoted(kRebuildQuestion) + " -> yes"} + lines::Blink() +
                                 lines::BuildStart("GENERATING TABLE", false))));
  EXPECT_EQ(FileText(CachedPage(1)), CachedPageText(pages_[0]));
  EXPECT_EQ(FileText(CachedPage(3)), third);
  wizard_.OnTimerTick();
  EXPECT_THAT(host_.MessageText(), ::testing::HasSubstr("25 items were found across 3 pages."));
}

TEST_F(FastRebuildTest, NoGoesOnWithTheCopiedPage) {
  const std::string page = Page(1, 3);
  host_.AnswerNextQuestion(false);
  CopyAndTick(page);
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, Lines{"ask " + Quoted(kRebuildQuestion) + " -> no"} + lines::Blink() +
                                 Lines{line::Message(want::kNextPage)} + lines::Expect("2/3"))));
  EXPECT_EQ(FileText(CachedPage(1)), CleanUpText(page));
}

TEST_F(FastRebuildTest, NoQuestionWhenACachedPageIsMissing) {
  std::filesystem::remove(CachedPage(2));
  CopyAndTick(Page(1, 3));
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/3\"");
}

TEST_F(FastRebuildTest, NoQuestionWhenTheListHasMorePagesThanAreCached) {
  CopyAndTick(Page(1, 4));
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/4\"");
}

// ---------------------------------------------------------------------------------------------
// Update mode

class UpdateCaptureTest : public WizardCaptureTest {
 protected:
  void SetUp() override {
    // The table holds the orders from id 8012000000000012 on.
    std::ofstream(Document(), std::ios::binary)
        << "<table>\r\n<!--8012000000000012-->\r\n<tr></tr>\r\n</table>\r\n";
    host_.SetWorkerMode(FakeHost::WorkerMode::kHold);
    EnterCapture();
  }
  std::vector<TestOrder> Orders(int count, std::int64_t first) {
    return MakeOrders(count, 8012000000000000 + first, 3);
  }
};

TEST_F(UpdateCaptureTest, APageWithAKnownOrderStartsTheUpdateAtOnce) {
  CopyAndTick(Page(1, 5, Orders(10, 5)));  // orders 5 to 14
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, lines::Blink() + lines::BuildStart("UPDATING TABLE", true))));
}

TEST_F(UpdateCaptureTest, PagesOfNewOrdersOnlyGoOn) {
  CopyAndTick(Page(1, 5, Orders(10, 0)));  // orders 0 to 9
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/5\"");
  CopyAndTick(Page(2, 5, Orders(10, 10)));  // 10 to 19
  EXPECT_EQ(host_.Status(), "green \"UPDATING TABLE\"");
  EXPECT_EQ(host_.WorkerStarts(), 1);
}

TEST_F(UpdateCaptureTest, AnUpdateThatReachesTheLastPageIsCaptionedAsANewTable) {
  CopyAndTick(Page(1, 2, Orders(10, 0)));
  Take();
  CopyAndTick(Page(2, 2, Orders(2, 10)));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, lines::Blink() + lines::BuildStart("GENERATING TABLE", true))));
}

// ---------------------------------------------------------------------------------------------
// A cached page file that cannot be written

TEST_F(WizardCaptureTest, APageThatCannotBeStoredIsAskedForAgain) {
  EnterCapture();
  std::filesystem::remove_all(Tmp());
  CopyAndTick(Page(1, 3));
  EXPECT_THAT(Take(),
              ElementsAreArray(lines::Capture(0, Lines{line::Status("red", "Error: not saved")} +
                                                     lines::Blink() + lines::Expect("1/3"))));
  EXPECT_EQ(host_.MessageText(), want::kInstruction);
  // Once the folder is back, the same page is taken as the first.
  std::filesystem::create_directory(Tmp());
  CopyAndTick(Page(1, 3));
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/3\"");
  EXPECT_TRUE(std::filesystem::exists(CachedPage(1)));
}

TEST_F(WizardCaptureTest, ALastPageThatCannotBeStoredStartsNoBuild) {
  EnterCapture();
  CopyAndTick(Page(1, 2));
  std::filesystem::remove_all(Tmp());
  std::ofstream(Tmp()) << "a file where the folder should be";
  CopyAndTick(Page(2, 2));
  EXPECT_EQ(host_.WorkerStarts(), 0);
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 2/2\"");
  EXPECT_TRUE(host_.TimerRunning());
}

// ---------------------------------------------------------------------------------------------
// Only the poll's notification captures

TEST_F(WizardCaptureTest, APageReadyNotificationThatThePollDidNotSendIsIgnored) {
  EnterCapture();
  host_.SetClipboard(Page(1, 3));
  wizard_.OnPageReady();
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(CachedPage(1)));
}

// ---------------------------------------------------------------------------------------------
// Events that arrive while the capture lets events through

class CaptureInterruptTest : public WizardCaptureTest {
 protected:
  void SetUp() override { EnterCapture(); }
  void PressAtPump(int pump, int id) {
    host_.DeliverAtPump(pump, "command " + std::to_string(id),
                        [this, id] { wizard_.OnCommand(id); });
  }
  // The pumps of a capture: four for the dots, two after bringing the dialog back, then
  // twenty-four for the blink.
  static constexpr int kFirstBlinkPump = 7;
  static constexpr int kFirstBuildStartPump = 31;
};

const Lines kCancelled = lines::CancelCapture() + lines::Intro();

TEST_F(CaptureInterruptTest, CancelBeforeThePageIsReadLeavesItOnTheClipboard) {
  PressAtPump(1, kCaptureCancel);
  const std::string page = Page(1, 3);
  CopyAndTick(page);
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::PageFound() +
                                       Lines{line::Status("green", "TREATING ORDERS"),
                                             line::Dot(1, false), "pump", "event command 1003"} +
                                       kCancelled));
  EXPECT_EQ(host_.Clipboard(), page);
  EXPECT_FALSE(host_.TimerRunning());
}

TEST_F(CaptureInterruptTest, CancelDuringTheBlinkKeepsTheStoredPageButRestartsNothing) {
  PressAtPump(kFirstBlinkPump, kCaptureCancel);
  CopyAndTick(Page(1, 3));
  EXPECT_THAT(
      Take(),
      ElementsAreArray(lines::Capture(0, Lines{line::Dot(1, true), "pump", "event command 1003"}) +
                       kCancelled));
  EXPECT_TRUE(std::filesystem::exists(CachedPage(1)));
  EXPECT_FALSE(host_.TimerRunning());
  // The next run starts at page 1 again.
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  EXPECT_EQ(host_.Status(), "blue \"Expected: page 1/??\"");
}

TEST_F(CaptureInterruptTest, CancelDuringTheBlinkOfAWrongPageRestartsNothing) {
  PressAtPump(kFirstBlinkPump + 3, kCaptureCancel);
  CopyAndTick(Page(2, 3));
  EXPECT_THAT(Take(), ElementsAreArray(
                          lines::Capture(
                              0, Lines{line::Status("red", "Error: wrong page"), line::Dot(1, true),
                                       "pump", line::Dot(2, true), "pump", line::Dot(3, true),
                                       "pump", line::Dot(4, true), "pump", "event command 1003"}) +
                          kCancelled));
  EXPECT_FALSE(host_.TimerRunning());
}

TEST_F(CaptureInterruptTest, CancelWhileTheBuildStartsStartsNoBuild) {
  PressAtPump(kFirstBuildStartPump, kCaptureCancel);
  CopyAndTick(Page(1, 1));
  EXPECT_THAT(
      Take(),
      ElementsAreArray(
          lines::Capture(0, lines::Blink() + Lines{line::Status("green", "GENERATING TABLE"),
                                                   "remove 9001", "pump", "event command 1003"}) +
          kCancelled));
  EXPECT_EQ(host_.WorkerStarts(), 0);
  EXPECT_FALSE(host_.TimerRunning());
}

TEST_F(CaptureInterruptTest, CancelWhileTheFastRebuildQuestionIsShownStoresNothing) {
  WriteCachedPages(folder_, SplitIntoPages(MakeOrders(4, 8012000000000000, 2), 2));
  const std::string cached = FileText(CachedPage(1));
  host_.AnswerNextQuestion(false);
  host_.DeliverDuringQuestion("command 1003", [this] { wizard_.OnCommand(kCaptureCancel); });
  CopyAndTick(Page(1, 2));
  EXPECT_THAT(
      Take(),
      ElementsAreArray(
          lines::Capture(0, Lines{"ask \"Do a fast re-build of the table from 2 pages ?\" -> no",
                                  "event command 1003"}) +
          kCancelled));
  EXPECT_EQ(FileText(CachedPage(1)), cached);
}

TEST_F(CaptureInterruptTest, ADoubleCancelIsHandledOnce) {
  PressAtPump(2, kCaptureCancel);
  PressAtPump(2, kCaptureCancel);
  CopyAndTick(Page(1, 3));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::PageFound() +
                                       Lines{line::Status("green", "TREATING ORDERS"),
                                             line::Dot(1, false), "pump", line::Dot(2, false),
                                             "pump", "event command 1003", "event command 1003"} +
                                       kCancelled));
}

TEST_F(CaptureInterruptTest, EscDuringTheCaptureEndsAtOnce) {
  PressAtPump(5, kIdCancel);
  CopyAndTick(Page(1, 3));
  const Lines opening = lines::CaptureOpening();
  const Lines until_restore(opening.begin(), opening.begin() + 12);  // up to the restore
  EXPECT_THAT(Take(),
              ElementsAreArray(lines::Tick(0) + lines::PageFound() + until_restore +
                               Lines{"pump", "event command 2", "end dialog 0", "exit 12345"}));
  EXPECT_FALSE(std::filesystem::exists(CachedPage(1)));
}

TEST_F(CaptureInterruptTest, TheCloseBoxWhileTheBuildStartsStartsNoBuild) {
  host_.DeliverAtPump(kFirstBuildStartPump + 1, "close", [this] { wizard_.OnClose(); });
  CopyAndTick(Page(1, 1));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Capture(
                          0, lines::Blink() + Lines{line::Status("green", "GENERATING TABLE"),
                                                    "remove 9001", "pump", "remove 9002", "pump",
                                                    "event close", "end dialog 0"})));
  EXPECT_EQ(host_.WorkerStarts(), 0);
}

}  // namespace
}  // namespace ordertable::test

// The build step and the result step: the worker poll, the result texts, the document
// actions, and what copying a page or leaving does while the worker runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "tests/app/wizard_test_support.h"

namespace ordertable::test {
namespace {

using lines::Lines;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using lines::operator+;

class WizardBuildTest : public WizardTest {
 protected:
  void MakeDocument() { std::ofstream(Document()) << "<table>\r\n</table>\r\n"; }
  // Captures pages 1 to `pages` of `pages`; the build then starts with the worker held.
  void CaptureAll(int pages) {
    host_.SetWorkerMode(FakeHost::WorkerMode::kHold);
    EnterCapture();
    for (int page = 1; page <= pages; ++page) {
      CopyAndTick(MarkedPage(std::to_string(page) + "/" + std::to_string(pages)));
    }
    ASSERT_EQ(host_.WorkerStarts(), 1);
    Take();
  }
  // Lets the held worker end with `outcome` and takes the tick that sees it.
  void FinishBuild(BuildOutcome outcome) {
    host_.ScriptWorkerOutcome(outcome);
    host_.ReleaseWorker();
    wizard_.OnTimerTick();
  }
};

TEST_F(WizardBuildTest, TheDotsRunAndTheWorkerIsPolledUntilItEnds) {
  CaptureAll(2);
  wizard_.OnTimerTick();
  wizard_.OnTimerTick();
  FinishBuild({BuildResult::kDone, 37});
  EXPECT_THAT(Take(),
              ElementsAreArray(lines::Tick(0) + Lines{"poll worker -> running"} + lines::Tick(1) +
                               Lines{"poll worker -> running"} + lines::Tick(2) +
                               lines::Result("done 37", want::Generated("37", "2"))));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(3001, 3002));
  EXPECT_EQ(host_.MessageHeight(), 160);
  EXPECT_FALSE(host_.TimerRunning());
}

struct ResultCase {
  const char* name;
  bool update;
  BuildOutcome outcome;
  std::string text;
  friend void PrintTo(const ResultCase& c, std::ostream* out) { *out << c.name; }
};

class ResultTextTest : public WizardBuildTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultTextTest, FollowsUpdateModeAndTheRowCount) {
  if (GetParam().update) MakeDocument();
  CaptureAll(3);
  FinishBuild(GetParam().outcome);
  EXPECT_EQ(host_.MessageText(), GetParam().text);
  EXPECT_THAT(host_.ControlIds(), ElementsAre(3001, 3002));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ResultTextTest,
    ::testing::Values(
        ResultCase{"NewTable", false, {BuildResult::kDone, 12}, want::Generated("12", "3")},
        ResultCase{
            "UpdateWithNoNewOrder", true, {BuildResult::kDone, 0}, std::string(want::kUpToDate)},
        ResultCase{"UpdateAddingFive", true, {BuildResult::kDone, 5}, want::Updated("5")}),
    [](const auto& result) { return std::string(result.param.name); });

// When the table could not be written, the text says where the table that was there before
// can be found, as the failed build reports it. A build that found no cached page file (they
// went away after the capture) wrote nothing either.
struct WriteFailedCase {
  const char* name;
  bool update;
  TableKeptIn kept_in;
  std::string text;
  BuildResult result = BuildResult::kFailed;
  BuildFailure failure = BuildFailure::kTableUnwritable;
  friend void PrintTo(const WriteFailedCase& c, std::ostream* out) { *out << c.name; }
};

constexpr std::string_view kRetry =
    "\r\n\r\nMake sure that the disk is not full and that no other program has the table open, "
    "then run this program again.";

class WriteFailedTest : public WizardBuildTest,
                        public ::testing::WithParamInterface<WriteFailedCase> {};

TEST_P(WriteFailedTest, SaysThatNoOrderWasLostAndWhereTheTableIs) {
  const WriteFailedCase& c = GetParam();
  if (c.update) MakeDocument();
  CaptureAll(2);
  FinishBuild({c.result, 0, c.failure, c.kept_in, "what failed"});
  EXPECT_EQ(host_.MessageText(), c.text);
  EXPECT_THAT(host_.ControlIds(), ElementsAre(3001, 3002));
}

const std::string kNotUpdated =
    "Your offline, searchable, responsive, web table of AliExpress purchases could not be "
    "updated !\r\n\r\nThe new orders could not be written to the disk. ";
const std::string kNotGenerated =
    "The offline, searchable, responsive, web table of your AliExpress purchases could not be "
    "written to the disk !\r\n\r\n";
const std::string kInDocument =
    "No order was lost: your previous table is still in 'AliExpress Orders.html'." +
    std::string(kRetry);

INSTANTIATE_TEST_SUITE_P(
    Places, WriteFailedTest,
    ::testing::Values(
        WriteFailedCase{"UpdateLeftTheTableInPlace", true, TableKeptIn::kDocument,
                        kNotUpdated + kInDocument},
        WriteFailedCase{"UpdateLeftTheTableInTheBackup", true, TableKeptIn::kBackup,
                        kNotUpdated +
                            "No order was lost: your previous table is kept in 'AliExpress "
                            "Orders.bkp'. Rename it to 'AliExpress Orders.html' to get it back." +
                            std::string(kRetry)},
        WriteFailedCase{"NewTableBesideAnUnerasedTable", false, TableKeptIn::kDocument,
                        kNotGenerated + kInDocument},
        WriteFailedCase{"NewTableWithoutEarlierTable", false, TableKeptIn::kNowhere,
                        kNotGenerated +
                            "No order was lost: your orders are all still listed in 'My Orders' "
                            "on AliExpress.\r\n\r\nMake sure that the disk is not full and that "
                            "this folder is not read-only, then run this program again."},
        WriteFailedCase{"UpdateFoundNoCachedPage", true, TableKeptIn::kDocument,
                        kNotUpdated + kInDocument, BuildResult::kNoPages, BuildFailure::kNone},
        WriteFailedCase{"NewTableFoundNoCachedPage", false, TableKeptIn::kNowhere,
                        kNotGenerated +
                            "No order was lost: your orders are all still listed in 'My Orders' "
                            "on AliExpress.\r\n\r\nMake sure that the disk is not full and that "
                            "this folder is not read-only, then run this program again.",
                        BuildResult::kNoPages, BuildFailure::kNone},
        // Short of memory is no full disk.
        WriteFailedCase{"UpdateOutOfMemory", true, TableKeptIn::kDocument,
                        kNotUpdated +
                            "No order was lost: your previous table is still in 'AliExpress "
                            "Orders.html'.\r\n\r\nThe computer ran short of memory: close some "
                            "other programs, then run this program again.",
                        BuildResult::kFailed, BuildFailure::kOutOfMemory}),
    [](const auto& result) { return std::string(result.param.name); });

TEST_F(WizardBuildTest, ARealWriteFailureReachesTheResultStep) {
  host_.SetWorkerMode(FakeHost::WorkerMode::kRunAtOnce);
  std::filesystem::create_directories(Document() / "in the way");
  wizard_.OnInit();
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  CopyAndTick(MarkedPage("1/1"));
  Take();
  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), ::testing::Contains("poll worker -> write failed 0"));
  EXPECT_THAT(host_.MessageText(), ::testing::HasSubstr("could not be written"));
}

TEST_F(WizardBuildTest, ViewAndLocateAskTheShellAndStay) {
  CaptureAll(1);
  FinishBuild({BuildResult::kDone, 1});
  Take();
  wizard_.OnCommand(kResultView);
  wizard_.OnCommand(kResultView);
  wizard_.OnCommand(kResultLocate);
  EXPECT_THAT(Take(),
              ElementsAre("open \"AliExpress Orders.html\"", "open \"AliExpress Orders.html\"",
                          "explorer \"AliExpress Orders.html\""));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(3001, 3002));
}

TEST_F(WizardBuildTest, APageCopiedDuringTheBuildStartsNothingAndWritesNothing) {
  CaptureAll(2);
  const std::string page = MarkedPage("2/2");
  std::filesystem::remove(CachedPage(2));  // the worker has read it already
  CopyAndTick(page);
  CopyAndTick(MarkedPage("3/3"));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + Lines{"poll worker -> running"} +
                                       lines::Tick(1) + Lines{"poll worker -> running"}));
  EXPECT_EQ(host_.WorkerStarts(), 1);
  EXPECT_FALSE(std::filesystem::exists(CachedPage(2)));
  EXPECT_FALSE(std::filesystem::exists(CachedPage(3)));
}

TEST_F(WizardBuildTest, TheGreyedCancelDoesNothing) {
  CaptureAll(1);
  wizard_.OnCommand(kCaptureCancel);
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_TRUE(host_.TimerRunning());
}

TEST_F(WizardBuildTest, AfterTheResultNothingIsTakenFromTheClipboard) {
  CaptureAll(1);
  FinishBuild({BuildResult::kDone, 1});
  Take();
  CopyAndTick(MarkedPage("1/1"));
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(host_.Clipboard(), MarkedPage("1/1"));
}

TEST_F(WizardBuildTest, EscDuringTheBuildWaitsForTheWorkerAndThenEnds) {
  CaptureAll(1);
  host_.ScriptWorkerOutcome({BuildResult::kDone, 4});
  wizard_.OnCommand(kIdCancel);
  EXPECT_THAT(Take(), ElementsAre("wait for worker -> done 4", "end dialog 0", "exit 12345"));
}

TEST_F(WizardBuildTest, TheCloseBoxDuringTheBuildWaitsForTheWorkerAndThenEnds) {
  CaptureAll(1);
  wizard_.OnClose();
  const std::vector<std::string> transcript = Take();
  ASSERT_EQ(transcript.size(), 2u);
  EXPECT_THAT(transcript[0], ::testing::StartsWith("wait for worker -> "));
  EXPECT_EQ(transcript[1], "end dialog 0");
  // The real build ran to its end before the dialog ended.
  EXPECT_TRUE(std::filesystem::exists(Document()));
}

TEST_F(WizardBuildTest, AWorkerThatCannotStartLeavesTheDotsRunning) {
  host_.SetWorkerMode(FakeHost::WorkerMode::kFailToStart);
  EnterCapture();
  CopyAndTick(MarkedPage("1/1"));
  EXPECT_EQ(Take().back(), "start worker (new table) -> failed");
  CopyAndTick(MarkedPage("1/1"));
  CopyAndTick(MarkedPage("1/1"));
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(0) + lines::Tick(1)));
  wizard_.OnCommand(kIdCancel);
  EXPECT_THAT(Take(), ElementsAre("end dialog 0", "exit 12345"));
}

}  // namespace
}  // namespace ordertable::test

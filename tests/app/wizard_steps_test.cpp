// The wizard's steps and transitions, its poll timer's dot animation and the two ways out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "app/wizard_texts.h"
#include "tests/app/wizard_test_support.h"

namespace ordertable::test {
namespace {

using lines::Lines;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using lines::operator+;

class WizardStepsTest : public WizardTest {
 protected:
  void MakeDocument() { std::ofstream(Document()) << "<html>existing table</html>"; }
  // Takes one page of one, so that the build starts, and reports the worker's result.
  void BuildFromOnePage() {
    host_.ScriptWorkerOutcome({BuildResult::kDone, 3});
    CopyAndTick(MarkedPage("1/1"));
  }
};

TEST_F(WizardStepsTest, WithoutTableTheIntroStepHasOneNextButton) {
  wizard_.OnInit();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Intro()));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(1001));
  EXPECT_EQ(host_.MessageHeight(), 160);
}

TEST_F(WizardStepsTest, WithTableTheUpdateQuestionComesFirst) {
  MakeDocument();
  wizard_.OnInit();
  EXPECT_THAT(Take(), ElementsAreArray(lines::UpdateQuestion()));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(2001, 2002));
}

TEST_F(WizardStepsTest, AFolderNamedLikeTheTableIsNoTable) {
  std::filesystem::create_directory(Document());
  wizard_.OnInit();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Intro()));
}

TEST_F(WizardStepsTest, IntroNextLeadsToTheAdviceStepAndANewTable) {
  wizard_.OnInit();
  wizard_.OnCommand(kIntroNext);
  EXPECT_THAT(Take(), ElementsAreArray(lines::Intro() + lines::ToAdvice()));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(1002, 1004));
  wizard_.OnCommand(kAdviceNext);
  BuildFromOnePage();
  EXPECT_FALSE(host_.WorkerUpdateMode());
}

TEST_F(WizardStepsTest, UpdateYesLeadsToTheSameAdviceStepAndAnUpdate) {
  MakeDocument();
  wizard_.OnInit();
  wizard_.OnCommand(kUpdateYes);
  EXPECT_THAT(Take(), ElementsAreArray(lines::UpdateQuestion() + lines::ToAdvice()));
  wizard_.OnCommand(kAdviceNext);
  BuildFromOnePage();
  EXPECT_TRUE(host_.WorkerUpdateMode());
}

const Lines kToErase{"remove 2001", "remove 2002", line::Message(want::kErase),
                     line::Button(2003, "ERASE", "right"), line::Button(2004, "Prev.", "left")};

TEST_F(WizardStepsTest, NoThenPrevAsksTheUpdateQuestionAgain) {
  MakeDocument();
  wizard_.OnInit();
  Take();
  wizard_.OnCommand(kUpdateNo);
  EXPECT_THAT(Take(), ElementsAreArray(kToErase));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(2003, 2004));
  wizard_.OnCommand(kErasePrevious);
  EXPECT_THAT(Take(),
              ElementsAreArray(Lines{"remove 2003", "remove 2004"} + lines::UpdateQuestion()));
  EXPECT_TRUE(std::filesystem::exists(Document()));
  wizard_.OnCommand(kUpdateYes);
  wizard_.OnCommand(kAdviceNext);
  BuildFromOnePage();
  EXPECT_TRUE(host_.WorkerUpdateMode());
}

// Erasing keeps the table as the backup (replacing an older one) until a new table is
// written: a capture that is then abandoned or fails must not have cost the shopper every row.
TEST_F(WizardStepsTest, NoThenEraseMovesTheTableToTheBackupAndStartsANewOne) {
  MakeDocument();
  std::ofstream(folder_ / "AliExpress Orders.bkp") << "an older backup";
  wizard_.OnInit();
  wizard_.OnCommand(kUpdateNo);
  Take();
  wizard_.OnCommand(kEraseConfirm);
  EXPECT_THAT(Take(), ElementsAreArray(Lines{"remove 2003", "remove 2004"} + lines::Intro()));
  EXPECT_FALSE(std::filesystem::exists(Document()));
  EXPECT_EQ(ReadBytes(folder_ / "AliExpress Orders.bkp"), "<html>existing table</html>");
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  BuildFromOnePage();
  EXPECT_FALSE(host_.WorkerUpdateMode());
}

// A table that cannot be moved aside is not erased: a new table would be written over it.
TEST_F(WizardStepsTest, EraseAsksAgainWhenTheTableCannotBeMovedAside) {
  MakeDocument();
  std::filesystem::create_directories(folder_ / "AliExpress Orders.bkp" / "in the way");
  wizard_.OnInit();
  wizard_.OnCommand(kUpdateNo);
  Take();
  wizard_.OnCommand(kEraseConfirm);
  EXPECT_THAT(Take(), ElementsAreArray(
                          Lines{"remove 2003", "remove 2004", line::Message(texts::kEraseFailed)} +
                          Lines(kToErase.begin() + 3, kToErase.end())));
  EXPECT_EQ(ReadBytes(Document()), "<html>existing table</html>");
  wizard_.OnCommand(kErasePrevious);
  wizard_.OnCommand(kUpdateYes);
  wizard_.OnCommand(kAdviceNext);
  BuildFromOnePage();
  EXPECT_TRUE(host_.WorkerUpdateMode());
}

TEST_F(WizardStepsTest, TheAdviceNextEntersTheCaptureStep) {
  wizard_.OnInit();
  wizard_.OnCommand(kIntroNext);
  Take();
  wizard_.OnCommand(kAdviceNext);
  EXPECT_THAT(Take(), ElementsAreArray(lines::EnterCapture()));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(1003, 9001, 9002, 9003, 9004, 9005, 9006, 9007));
  EXPECT_EQ(host_.MessageHeight(), 60);
  EXPECT_TRUE(host_.TimerRunning());
}

TEST_F(WizardStepsTest, CancelGoesBackToTheIntro) {
  EnterCapture();
  wizard_.OnCommand(kCaptureCancel);
  EXPECT_THAT(Take(), ElementsAreArray(lines::CancelCapture() + lines::Intro()));
  EXPECT_THAT(host_.ControlIds(), ElementsAre(1001));
  EXPECT_FALSE(host_.TimerRunning());
  EXPECT_EQ(host_.MessageHeight(), 160);
}

TEST_F(WizardStepsTest, CancelGoesBackToTheUpdateQuestionInUpdateMode) {
  MakeDocument();
  EnterCapture();
  wizard_.OnCommand(kCaptureCancel);
  EXPECT_THAT(Take(), ElementsAreArray(lines::CancelCapture() + lines::UpdateQuestion()));
}

TEST_F(WizardStepsTest, TheLitDotRunsAcrossTheFourDotsOnePerTick) {
  EnterCapture();
  Lines want;
  for (int tick = 0; tick < 6; ++tick) {
    wizard_.OnTimerTick();
    want = want + lines::Tick(tick == 0 ? 0 : (tick - 1) % 4 + 1) + Lines{"read clipboard"};
  }
  EXPECT_THAT(Take(), ElementsAreArray(want));
  EXPECT_THAT(host_.LitDots(), ElementsAre(2));
}

TEST_F(WizardStepsTest, TheLitDotGoesOnWhereItStoppedAfterACancel) {
  EnterCapture();
  wizard_.OnTimerTick();
  wizard_.OnTimerTick();
  wizard_.OnCommand(kCaptureCancel);
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  Take();
  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), ElementsAreArray(lines::Tick(2) + Lines{"read clipboard"}));
  EXPECT_THAT(host_.LitDots(), ElementsAre(3));
}

TEST_F(WizardStepsTest, TicksOutsideTheCaptureAndBuildDoNothing) {
  wizard_.OnInit();
  Take();
  wizard_.OnTimerTick();
  EXPECT_THAT(Take(), IsEmpty());
  wizard_.OnCommand(kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  wizard_.OnCommand(kCaptureCancel);
  Take();
  wizard_.OnTimerTick();  // queued before the timer stopped
  EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(WizardStepsTest, CommandsOfButtonsThatAreNotShownAreIgnored) {
  wizard_.OnInit();
  Take();
  for (const int id : {kAdviceNext, kCaptureCancel, kUpdateYes, kUpdateNo, kEraseConfirm,
                       kErasePrevious, kResultView, kResultLocate})
    wizard_.OnCommand(id);
  EXPECT_THAT(Take(), IsEmpty());
}

// Steps reached from a fresh start; the table document exists for the update steps.
struct StepCase {
  const char* step;
  bool table;
  std::vector<int> commands;
  bool build = false;  // then take one page and see the worker's end
  friend void PrintTo(const StepCase& c, std::ostream* out) { *out << c.step; }
};

const StepCase kSteps[] = {
    {"Intro", false, {}},
    {"UpdateQuestion", true, {}},
    {"EraseConfirmation", true, {kUpdateNo}},
    {"Advice", false, {kIntroNext}},
    {"Capture", false, {kIntroNext, kAdviceNext}},
    {"Result", true, {kUpdateYes, kAdviceNext}, true},
};

class WizardEndTest : public WizardStepsTest, public ::testing::WithParamInterface<StepCase> {
 protected:
  void ReachStep() {
    if (GetParam().table) MakeDocument();
    wizard_.OnInit();
    for (const int id : GetParam().commands) wizard_.OnCommand(id);
    if (GetParam().build) {
      BuildFromOnePage();
      wizard_.OnTimerTick();
      ASSERT_TRUE(host_.Controls().contains(3001));
    }
    Take();
  }
};

TEST_P(WizardEndTest, EscEndsTheDialogAndTheProcessWithStatus12345) {
  ReachStep();
  wizard_.OnCommand(kIdCancel);
  EXPECT_THAT(Take(), ElementsAre("end dialog 0", "exit 12345"));
  EXPECT_EQ(host_.ExitStatus(), 12345);
}

TEST_P(WizardEndTest, TheCloseBoxEndsTheDialogNormally) {
  ReachStep();
  wizard_.OnClose();
  EXPECT_THAT(Take(), ElementsAre("end dialog 0"));
  EXPECT_FALSE(host_.ExitStatus().has_value());
  // Nothing more happens once the dialog has ended.
  wizard_.OnTimerTick();
  wizard_.OnCommand(kIdCancel);
  EXPECT_THAT(Take(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Steps, WizardEndTest, ::testing::ValuesIn(kSteps),
                         [](const auto& step) { return std::string(step.param.step); });

}  // namespace
}  // namespace ordertable::test

// Whole runs of the wizard, from the first step to the result step, over realistic order
// pages: every host call in order, the cached page files and the table document written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/app/wizard_test_support.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable::test {
namespace {

using lines::Lines;
using ::testing::ElementsAreArray;
using lines::operator+;

class WizardWalkthroughTest : public WizardTest {
 protected:
  void Copy(const PageSpec& page) { CopyAndTick(BuildPageSource(page)); }
  void Press(int id) { wizard_.OnCommand(id); }
};

TEST_F(WizardWalkthroughTest, ANewTableFromThreePagesWithAWrongPageInBetween) {
  const std::vector<TestOrder> orders = MakeOrders(25, 8012000000000000, 11);
  std::vector<PageSpec> pages = SplitIntoPages(orders, 10);
  pages[1].line_breaks = LineBreaks::kCrLf;
  pages[2].indentation = Indentation::kTabsThenSpaces;
  host_.SetWorkerMode(FakeHost::WorkerMode::kHold);

  wizard_.OnInit();
  Press(kIntroNext);
  Press(kAdviceNext);
  wizard_.OnTimerTick();  // nothing copied yet
  Copy(pages[0]);
  Copy(pages[2]);  // one page too far
  Copy(pages[1]);
  Copy(pages[2]);
  wizard_.OnTimerTick();
  host_.ReleaseWorker();
  wizard_.OnTimerTick();
  Press(kResultView);
  Press(kResultLocate);
  wizard_.OnClose();

  const Lines accepted = lines::Blink();
  EXPECT_THAT(
      host_.Transcript(),
      ElementsAreArray(lines::Intro() + lines::ToAdvice() + lines::EnterCapture() +  //
                       lines::Tick(0) + lines::NoPage() +
                       lines::Capture(1, accepted + Lines{line::Message(want::kNextPage)} +
                                             lines::Expect("2/3")) +
                       lines::Capture(0, Lines{line::Status("red", "Error: wrong page")} +
                                             lines::Blink() + lines::Expect("2/3")) +
                       lines::Capture(0, accepted + lines::Expect("3/3")) +
                       lines::Capture(0, accepted + lines::BuildStart("GENERATING TABLE", false)) +
                       lines::Tick(0) + Lines{"poll worker -> running"} +  //
                       lines::Tick(1) + lines::Result("done 25", want::Generated("25", "3")) +
                       Lines{"open \"AliExpress Orders.html\"",
                             "explorer \"AliExpress Orders.html\"", "end dialog 0"}));

  for (int page = 1; page <= 3; ++page) {
    EXPECT_EQ(ReadBytes(CachedPage(page)), CachedPageText(pages[page - 1])) << page;
  }
  const std::string document = ReadBytes(Document());
  EXPECT_EQ(document, ExpectedDocument(NumberedRows(orders, Ratings(document))));
  EXPECT_EQ(Ratings(document).size(), 25u);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "AliExpress Orders.bkp"));
}

TEST_F(WizardWalkthroughTest, AnUpdateThatStopsAtThePageWithAKnownOrder) {
  constexpr std::int64_t kNewest = 8012000000000000;
  // The table was built when order kNewest + 12 was the newest; twelve orders came since.
  const std::vector<TestOrder> known = MakeOrders(30, kNewest + 12, 5);
  std::vector<std::string> old_ratings;
  for (std::size_t i = 0; i < known.size(); ++i) old_ratings.push_back(kFirstRatings[i % 8]);
  const std::string old_document = ExpectedDocument(NumberedRows(known, old_ratings));
  WriteBytes(Document(), old_document);

  const std::vector<TestOrder> listed = MakeOrders(42, kNewest, 5);
  const std::vector<PageSpec> pages = SplitIntoPages(listed, 10);  // 1/5 to 5/5

  wizard_.OnInit();
  Press(kUpdateYes);
  Press(kAdviceNext);
  Copy(pages[0]);  // orders 0 to 9, all new
  Copy(pages[1]);  // orders 10 to 19: from 12 on in the table
  wizard_.OnTimerTick();
  Press(kResultView);
  Press(kIdCancel);

  const Lines accepted = lines::Blink();
  EXPECT_THAT(
      host_.Transcript(),
      ElementsAreArray(lines::UpdateQuestion() + lines::ToAdvice() + lines::EnterCapture() +
                       lines::Capture(0, accepted + Lines{line::Message(want::kNextPage)} +
                                             lines::Expect("2/5")) +
                       lines::Capture(0, accepted + lines::BuildStart("UPDATING TABLE", true)) +
                       lines::Tick(0) + lines::Result("done 12", want::Updated("12")) +
                       Lines{"open \"AliExpress Orders.html\"", "end dialog 0", "exit 12345"}));

  EXPECT_TRUE(std::filesystem::exists(CachedPage(2)));
  EXPECT_FALSE(std::filesystem::exists(CachedPage(3)));
  const std::string document = ReadBytes(Document());
  const std::vector<TestOrder> added(listed.begin(), listed.begin() + 12);
  std::string block;
  for (const auto& row : NumberedRows(added, Ratings(document))) block += ExpectedRowBlock(row);
  std::string want = old_document;
  want.insert(want.find("<!--"), block);
  EXPECT_EQ(document, want);
  EXPECT_EQ(ReadBytes(folder_ / "AliExpress Orders.bkp"), old_document);
}

}  // namespace
}  // namespace ordertable::test

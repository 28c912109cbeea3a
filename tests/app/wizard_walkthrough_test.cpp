// Whole runs of the wizard, from the first step to the result step, over realistic order
// pages: every host call in order, the cached page files and the table document written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// A capture run cancelled part way leaves its cached pages; the next run may list the orders
// over another page size. The table must hold every order once, from the pages of the last
// run only, and no fast re-build may be offered over pages of two lists.
struct CancelledRunCase {
  const char* name;
  int first_per_page;
  int first_taken;  // pages the cancelled run took
  int second_per_page;
  friend void PrintTo(const CancelledRunCase& c, std::ostream* out) { *out << c.name; }
};

class CancelledRunTest : public WizardWalkthroughTest,
                         public ::testing::WithParamInterface<CancelledRunCase> {
 protected:
  static bool Asked(const std::vector<std::string>& transcript) {
    return std::any_of(transcript.begin(), transcript.end(),
                       [](const std::string& line) { return line.starts_with("ask "); });
  }
};

TEST_P(CancelledRunTest, TheTableHoldsEveryOrderOnce) {
  const CancelledRunCase& c = GetParam();
  const std::vector<TestOrder> orders = MakeOrders(50, 8012000000000000, 3);
  wizard_.OnInit();
  Press(kIntroNext);
  Press(kAdviceNext);
  const std::vector<PageSpec> first = SplitIntoPages(orders, c.first_per_page);
  for (int page = 0; page < c.first_taken; ++page) Copy(first[page]);
  Press(kCaptureCancel);
  Press(kIntroNext);
  Press(kAdviceNext);
  const std::vector<PageSpec> second = SplitIntoPages(orders, c.second_per_page);
  for (const PageSpec& page : second) Copy(page);
  wizard_.OnTimerTick();

  EXPECT_FALSE(Asked(host_.Transcript()));
  const std::string document = ReadBytes(Document());
  EXPECT_EQ(document, ExpectedDocument(NumberedRows(orders, Ratings(document))));
  EXPECT_EQ(host_.MessageText(), want::Generated("50", std::to_string(second.size())));
  EXPECT_FALSE(std::filesystem::exists(CachedPage(static_cast<int>(second.size()) + 1)));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CancelledRunTest,
    ::testing::Values(CancelledRunCase{"FourOfFivePagesThenThirtyPerPage", 10, 4, 30},
                      CancelledRunCase{"OneOfTwoPagesThenTenPerPage", 30, 1, 10},
                      CancelledRunCase{"FourOfFivePagesThenTheSamePages", 10, 4, 10}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// The cached pages of one whole list (a run cancelled as its build was starting) may be
// built again at once; either answer gives every order once, and the question is asked once.
class CompleteCachedListTest : public WizardWalkthroughTest,
                               public ::testing::WithParamInterface<bool> {};

TEST_P(CompleteCachedListTest, EitherAnswerGivesEveryOrderOnce) {
  const std::vector<TestOrder> orders = MakeOrders(50, 8012000000000000, 3);
  const std::vector<PageSpec> pages = SplitIntoPages(orders, 10);
  WriteCachedPages(folder_, pages);
  wizard_.OnInit();
  Press(kIntroNext);
  Press(kAdviceNext);
  const bool yes = GetParam();
  host_.AnswerNextQuestion(yes);
  Copy(pages[0]);
  if (!yes) {
    for (std::size_t page = 1; page < pages.size(); ++page) Copy(pages[page]);
  }
  wizard_.OnTimerTick();

  const std::vector<std::string>& transcript = host_.Transcript();
  EXPECT_EQ(std::count_if(transcript.begin(), transcript.end(),
                          [](const std::string& line) { return line.starts_with("ask "); }),
            1);
  const std::string document = ReadBytes(Document());
  EXPECT_EQ(document, ExpectedDocument(NumberedRows(orders, Ratings(document))));
  EXPECT_EQ(host_.MessageText(), want::Generated("50", "5"));
}

INSTANTIATE_TEST_SUITE_P(Answers, CompleteCachedListTest, ::testing::Bool());

}  // namespace
}  // namespace ordertable::test

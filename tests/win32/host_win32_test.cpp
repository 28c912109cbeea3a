// The Win32 host's build worker: a thread of its own, polled by its exit code.

#include "app/host_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

class BuildWorkerTest : public ::testing::Test {
 protected:
  BuildWorkerTest()
      : folder_(fs::temp_directory_path() /
                ("ordertable-worker-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        dialog_(GetModuleHandleA(nullptr), "test"),
        host_(dialog_, folder_) {
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "tmp");
  }
  ~BuildWorkerTest() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Polls the way the timer tick does, until the worker has ended.
  BuildOutcome PollUntilEnded() {
    for (int tick = 0; tick < 400; ++tick) {
      if (const std::optional<BuildOutcome> outcome = host_.PollBuildWorker()) return *outcome;
      Sleep(25);
    }
    ADD_FAILURE() << "the worker did not end";
    return {};
  }

  fs::path folder_;
  WizardDialog dialog_;
  Win32Host host_;
};

TEST_F(BuildWorkerTest, WritesTheTableOnItsOwnThreadAndReportsTheRowCount) {
  const auto pages = test::SplitIntoPages(test::MakeOrders(25, 8012000000000000, 3), 10);
  test::WriteCachedPages(folder_, pages);
  ASSERT_TRUE(host_.StartBuildWorker(false));
  EXPECT_FALSE(host_.StartBuildWorker(false)) << "one build at a time";
  const BuildOutcome outcome = PollUntilEnded();
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 25);
  EXPECT_TRUE(fs::exists(folder_ / "AliExpress Orders.html"));
  EXPECT_EQ(host_.PollBuildWorker(), std::nullopt) << "an ended worker is reported once";
}

TEST_F(BuildWorkerTest, EndsWithNoPagesWhenThereIsNoCachedPage) {
  ASSERT_TRUE(host_.StartBuildWorker(true));
  const BuildOutcome outcome = host_.WaitForBuildWorker();
  EXPECT_EQ(outcome.result, BuildResult::kNoPages);
  EXPECT_FALSE(fs::exists(folder_ / "AliExpress Orders.html"));
  EXPECT_TRUE(host_.StartBuildWorker(true)) << "a new build may start once the last ended";
  host_.WaitForBuildWorker();
}

TEST_F(BuildWorkerTest, NoWorkerMeansNothingToPoll) {
  EXPECT_EQ(host_.PollBuildWorker(), std::nullopt);
}

}  // namespace
}  // namespace ordertable

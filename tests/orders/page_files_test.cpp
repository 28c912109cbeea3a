#include "orders/page_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "orders/file_io.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              (std::string("ordertable_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "tmp");
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Touch(const fs::path& path, const std::string& bytes = "x") {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  fs::path folder_;
};

TEST(CachedPageFileTest, Names) {
  const std::pair<int, std::string> cases[] = {
      {1, "AE_orders_01.html"},  {7, "AE_orders_07.html"},    {10, "AE_orders_10.html"},
      {12, "AE_orders_12.html"}, {100, "AE_orders_100.html"}, {0, "AE_orders_00.html"},
  };
  for (const auto& [page, name] : cases) {
    EXPECT_EQ(CachedPageFile("work", page), fs::path("work") / "tmp" / name) << page;
  }
  EXPECT_EQ(CachedPageFile("", 3), fs::path("tmp") / "AE_orders_03.html");
}

using PageFilesTest = ScratchFolder;

TEST_F(PageFilesTest, CountsConsecutiveFilesFromPageOne) {
  EXPECT_EQ(CountCachedPages(folder_), 0);
  Touch(CachedPageFile(folder_, 1));
  Touch(CachedPageFile(folder_, 2));
  Touch(CachedPageFile(folder_, 4));
  EXPECT_EQ(CountCachedPages(folder_), 2);
  fs::create_directory(CachedPageFile(folder_, 3));  // a folder is no page
  EXPECT_EQ(CountCachedPages(folder_), 2);
  fs::remove(CachedPageFile(folder_, 3));
  Touch(CachedPageFile(folder_, 3));
  EXPECT_EQ(CountCachedPages(folder_), 4);
  Touch(folder_ / "tmp" / "AE_orders_5.html");  // one digit: not the name of page 5
  EXPECT_EQ(CountCachedPages(folder_), 4);
}

TEST_F(PageFilesTest, CountsNothingWithoutTheCacheFolder) {
  fs::remove_all(folder_ / "tmp");
  EXPECT_EQ(CountCachedPages(folder_), 0);
}

using FileIoTest = ScratchFolder;

TEST_F(FileIoTest, WholeFileWriteReplacesLongerContentAndKeepsBytes) {
  const fs::path path = folder_ / "page.html";
  const std::string bytes("a\r\nb\nc\rd\x1a\0e\xff", 12);
  ASSERT_TRUE(WriteWholeFile(path, std::string(5000, 'z')));
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  EXPECT_EQ(ReadWholeFile(path), bytes);
  ASSERT_TRUE(WriteWholeFile(path, ""));
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST_F(FileIoTest, ReadsLargeFilesWhole) {
  const fs::path path = folder_ / "big.html";
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  EXPECT_EQ(ReadWholeFile(path), bytes);
}

TEST_F(FileIoTest, FailuresAreReportedNotThrown) {
  EXPECT_EQ(ReadWholeFile(folder_ / "missing.html"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(folder_ / "tmp"), std::nullopt);  // a folder
  EXPECT_FALSE(WriteWholeFile(folder_ / "no-such-folder" / "x.html", "x"));
  EXPECT_FALSE(WriteWholeFile(folder_ / "tmp", "x"));
  EXPECT_TRUE(fs::is_directory(folder_ / "tmp"));  // the folder was not deleted
  EXPECT_FALSE(IsOrdinaryFile(folder_ / "tmp"));
  EXPECT_FALSE(IsOrdinaryFile(folder_ / "missing.html"));
  Touch(folder_ / "x.html");
  EXPECT_TRUE(IsOrdinaryFile(folder_ / "x.html"));
}

}  // namespace
}  // namespace ordertable

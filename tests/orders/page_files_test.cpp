#include "orders/page_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/files.h"

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

// The clean-up at start-up and before an import removes what a build could take for a cached
// page file, and nothing else.
TEST_F(PageFilesTest, ClearingRemovesCachedPagesOnly) {
  const std::pair<const char*, bool> names[] = {
      {"AE_orders_01.html", true}, {"AE_orders_123.html", true}, {"ae_orders_02.HTML", true},
      {"AE_orders_5.html", true},  {"AE_orders_.html", false},   {"AE_orders_1a.html", false},
      {"AE_orders_01.htm", false}, {"notes.html", false},        {"AE_orders_01.html.bak", false},
      {"AE_orders_01.tmp", false},
  };
  for (const auto& [name, cached] : names) {
    EXPECT_EQ(IsCachedPageName(name), cached) << name;
    Touch(folder_ / "tmp" / name);
  }
  fs::create_directory(folder_ / "tmp" / "AE_orders_07.html");
  ClearCacheFolder(folder_);
  for (const auto& [name, cached] : names) {
    EXPECT_EQ(fs::exists(folder_ / "tmp" / name), !cached) << name;
  }
  EXPECT_TRUE(fs::is_directory(folder_ / "tmp" / "AE_orders_07.html"));

  fs::remove_all(folder_ / "tmp");
  ClearCacheFolder(folder_);
  EXPECT_TRUE(fs::is_directory(folder_ / "tmp"));
}

}  // namespace
}  // namespace ordertable

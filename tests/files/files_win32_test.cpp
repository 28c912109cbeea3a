#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/files.h"
#include "files/unique_handle_win32.h"
#include "orders/page_files.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

class WindowsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / "ordertable_WindowsFilesTest";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "tmp");
  }
  void TearDown() override {
    for (int page = 1; page <= 3; ++page) {
      SetFileAttributesA(CachedPageFile(folder_, page).string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_F(WindowsFilesTest, HiddenAndSystemFilesAreNoCachedPages) {
  for (int page = 1; page <= 3; ++page) std::ofstream(CachedPageFile(folder_, page)) << "x";
  EXPECT_EQ(CountCachedPages(folder_), 3);
  const struct {
    DWORD attribute;
    int count;
  } cases[] = {
      {FILE_ATTRIBUTE_HIDDEN, 1},
      {FILE_ATTRIBUTE_SYSTEM, 1},
      {FILE_ATTRIBUTE_READONLY, 3},
      {FILE_ATTRIBUTE_ARCHIVE, 3},
  };
  const std::string second = CachedPageFile(folder_, 2).string();
  for (const auto& c : cases) {
    ASSERT_TRUE(SetFileAttributesA(second.c_str(), c.attribute));
    EXPECT_EQ(CountCachedPages(folder_), c.count) << c.attribute;
    EXPECT_EQ(files::IsOrdinaryFile(second), c.count == 3) << c.attribute;
  }
}

// Who else may have a file open while it is read or replaced: only other readers, and only
// for reading, as a virus scanner that looks at a file just written.
TEST_F(WindowsFilesTest, OnlyReadersThatShareReadingMayHoldAFileWhileItIsRead) {
  const fs::path path = folder_ / "page.html";
  ASSERT_TRUE(files::WriteFileAtomically(path, {"old"}));
  const struct {
    const char* name;
    DWORD access;
    DWORD share;
    bool readable;
  } others[] = {
      {"a reader that shares everything", GENERIC_READ,
       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
      {"a reader that shares reading", GENERIC_READ, FILE_SHARE_READ, true},
      {"a reader that shares nothing", GENERIC_READ, 0, false},
      {"a writer", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
  };
  for (const auto& other : others) {
    SCOPED_TRACE(other.name);
    UniqueHandle handle(CreateFileW(path.c_str(), other.access, other.share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(handle);
    EXPECT_EQ(files::ReadWholeFile(path),
              other.readable ? std::optional<std::string>("old") : std::nullopt);
    // Without FILE_SHARE_DELETE the file cannot be replaced under them.
    if (!(other.share & FILE_SHARE_DELETE)) {
      EXPECT_FALSE(files::WriteFileAtomically(path, {"new"}));
    }
  }
  EXPECT_TRUE(files::WriteFileAtomically(path, {"new"}));
  EXPECT_EQ(files::ReadWholeFile(path), "new");
}

}  // namespace
}  // namespace ordertable

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

TEST_F(WindowsFilesTest, AFileOpenForReadingIsNotSharedWithAWriter) {
  const fs::path path = folder_ / "page.html";
  ASSERT_TRUE(files::WriteFileAtomically(path, {"old"}));
  // Another reader that shares nothing, as this program's own reads do.
  UniqueHandle reader(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(reader);
  EXPECT_EQ(files::ReadWholeFile(path), std::nullopt);
  EXPECT_FALSE(files::WriteFileAtomically(path, {"new"}));
  reader.Reset();
  EXPECT_EQ(files::ReadWholeFile(path), "old");
  EXPECT_TRUE(files::WriteFileAtomically(path, {"new"}));
  EXPECT_EQ(files::ReadWholeFile(path), "new");
}

}  // namespace
}  // namespace ordertable

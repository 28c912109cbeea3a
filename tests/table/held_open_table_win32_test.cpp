// A table document that another program holds open without sharing, as an editor or a
// spreadsheet may: the build must say it failed and leave every file as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include "table/document.h"
#include "table/merge.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

class HeldOpen {
 public:
  explicit HeldOpen(const std::filesystem::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(HeldOpenTableTest, MergeAndNewTableFailWithoutLosingTheTable) {
  for (const bool update_mode : {true, false}) {
    SCOPED_TRACE(update_mode ? "update" : "new table");
    test::ScratchFolder folder;
    test::WriteBytes(folder / kTableDocument, "the table");
    test::WriteBytes(folder / kTableBackup, "the table before");
    RowList rows = {test::SampleRow("1")};
    RatingGenerator ratings;
    TableWriteError error;
    {
      HeldOpen other_program(folder / kTableDocument);
      ASSERT_TRUE(other_program.held());
      EXPECT_FALSE(update_mode ? MergeIntoTable(folder.path(), rows, ratings, &error)
                               : WriteNewTable(folder.path(), rows, ratings, &error));
    }
    EXPECT_EQ(test::ReadBytes(folder / kTableDocument), "the table");
    EXPECT_EQ(test::ReadBytes(folder / kTableBackup), "the table before");
    EXPECT_EQ(test::EntriesBesideAssets(folder.path()).size(), 2u);
  }
}

}  // namespace
}  // namespace ordertable

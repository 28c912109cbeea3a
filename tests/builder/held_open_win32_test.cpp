// A table build while another program holds one of its files open, as an editor, a
// spreadsheet or a virus scanner may. Windows refuses to read, replace or rename a file that
// another handle does not share; whichever step meets that, the build must report that it
// failed and leave every file of the folder as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "builder/table_build.h"
#include "files/files.h"
#include "table/document.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

// An open handle on `path` that shares only what `share` allows, as another program's.
class HeldOpen {
 public:
  HeldOpen(const fs::path& path, DWORD share)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& name : test::FolderEntries(folder)) {
    if (fs::is_regular_file(folder / name)) files[name] = test::ReadBytes(folder / name);
  }
  return files;
}

// The folder of every case: twelve orders on two cached pages, and a table that holds the
// last two of them, so that an update adds ten rows.
void ArrangeFolder(const fs::path& folder) {
  const auto orders = test::MakeOrders(12, 8012000000000001, 7);
  test::WriteCachedPages(folder, test::SplitIntoPages(orders, 10));
  const auto rows = test::ExpectedRows({orders.end() - 2, orders.end()});
  test::WriteBytes(folder / kTableDocument,
                   test::ExpectedDocument({{rows[0], "2", "4.84"}, {rows[1], "1", "1"}}));
  test::WriteBytes(folder / kTableBackup, "the table before the last update");
}

TEST(HeldOpenBuildTest, ABuildThatMeetsAFileHeldOpenFailsAndChangesNothing) {
  const struct {
    const char* name;
    bool update_mode;
    const char* held;  // the file another program holds open
    DWORD share;       // what it lets others do with it meanwhile
  } cases[] = {
      // The old table takes the backup's place, which cannot be replaced.
      {"update, backup held open", true, kTableBackup, 0},
      {"update, backup open for reading by another program", true, kTableBackup, FILE_SHARE_READ},
      // The table can be read, but not replaced.
      {"update, table open for reading by another program", true, kTableDocument,
       FILE_SHARE_READ},
      // A cached page that cannot be read would leave its orders out of the table.
      {"update, cached page held open", true, "tmp/AE_orders_02.html", 0},
      {"new table, cached page held open", false, "tmp/AE_orders_01.html", 0},
      {"new table, table open for reading by another program", false, kTableDocument,
       FILE_SHARE_READ},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      // Nothing held, the same build succeeds: what fails below is the file held open.
      test::ScratchFolder folder;
      ArrangeFolder(folder.path());
      const BuildOutcome outcome = RunTableBuild(folder.path(), c.update_mode);
      ASSERT_EQ(outcome.result, BuildResult::kDone);
      EXPECT_EQ(outcome.row_count, c.update_mode ? 10 : 12);
    }
    test::ScratchFolder folder;
    ArrangeFolder(folder.path());
    const auto before = Files(folder.path());
    {
      HeldOpen other_program(folder / c.held, c.share);
      ASSERT_TRUE(other_program.held());
      const BuildOutcome outcome = RunTableBuild(folder.path(), c.update_mode);
      EXPECT_EQ(outcome.result, BuildResult::kFailed);
      EXPECT_EQ(outcome.row_count, 0);
    }
    EXPECT_EQ(Files(folder.path()), before);
  }
}

// A temporary file that an earlier version's run left under its fixed name is no longer
// written: held open by another program, it stands in no build's way.
TEST(HeldOpenBuildTest, AnEarlierVersionsTemporaryFileHeldOpenIsNoHindrance) {
  for (const bool update_mode : {true, false}) {
    SCOPED_TRACE(update_mode ? "update" : "new table");
    test::ScratchFolder folder;
    ArrangeFolder(folder.path());
    test::WriteBytes(folder / kTableTemporary, "left by a run that stopped");
    HeldOpen other_program(folder / kTableTemporary, 0);
    ASSERT_TRUE(other_program.held());
    const BuildOutcome outcome = RunTableBuild(folder.path(), update_mode);
    EXPECT_EQ(outcome.result, BuildResult::kDone);
    EXPECT_EQ(outcome.row_count, update_mode ? 10 : 12);
  }
}

}  // namespace
}  // namespace ordertable

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

TEST(HeldOpenBuildTest, ABuildThatMeetsAFileHeldOpenFailsAndChangesNothing) {
  const struct {
    const char* name;
    bool update_mode;
    const char* held;  // the file another program holds open
    DWORD share;       // what it lets others do with it meanwhile
  } cases[] = {
      // The table is moved aside by replacing the backup, which cannot be replaced. (The
      // table itself held open is refused already when it is read, as tested with the merge.)
      {"update, backup held open", true, kTableBackup, 0},
      {"update, backup open for reading by another program", true, kTableBackup, FILE_SHARE_READ},
      // A cached page that cannot be read would leave its orders out of the table.
      {"update, cached page held open", true, "tmp/AE_orders_02.html", 0},
      {"new table, cached page held open", false, "tmp/AE_orders_01.html", 0},
      // A temporary file that an interrupted run left cannot be cleared away.
      {"update, temporary file held open", true, kTableTemporary, 0},
      {"new table, temporary file held open", false, kTableTemporary, 0},
      {"new table, temporary file open for reading by another program", false, kTableTemporary,
       FILE_SHARE_READ},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchFolder folder;
    test::WriteCachedPages(folder.path(),
                           test::SplitIntoPages(test::MakeOrders(12, 8012000000000001, 7), 10));
    test::WriteBytes(folder / kTableDocument, "<table>\r\n<!--1-->\r\n</table>\r\n");
    test::WriteBytes(folder / kTableBackup, "the table before the last update");
    if (c.held == std::string(kTableTemporary)) {
      test::WriteBytes(folder / kTableTemporary, "left by a run that stopped");
    }
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

}  // namespace
}  // namespace ordertable

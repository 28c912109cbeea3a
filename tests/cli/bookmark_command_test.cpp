// The bookmark command's choice of file, run through its entry function in a scratch folder.
// What the page does is checked in the browser test of the bookmark.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "table/bookmark_page.h"
#include "table/document.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::ReadBytes;

// The default name and the replacing of an older page are taken by the browser test; the guard
// of the table's files is the export's, tested there.
TEST(BookmarkCommandTest, WritesThePageWhereToldButNeverOverTheTable) {
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"sub/get.html"}, cli::kExitDone},
      {{"a.html", "b.html"}, cli::kExitBadInput},
      {{"AliExpress Orders.html"}, cli::kExitBadInput},
      {{"missing/get.html"}, cli::kExitWriteFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    test::ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    test::WriteBytes(folder / kTableDocument, "the table");
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunBookmarkCommand(c.args, folder.path(), out, err), c.status) << err.str();
    EXPECT_EQ(ReadBytes(folder / kTableDocument), "the table");
    if (c.status == cli::kExitDone) {
      EXPECT_EQ(ReadBytes(folder / "sub/get.html"), BookmarkPage(BookmarkAddress()));
    } else {
      EXPECT_FALSE(err.str().empty());
    }
  }
}

}  // namespace
}  // namespace ordertable

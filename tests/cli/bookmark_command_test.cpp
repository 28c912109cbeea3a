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

TEST(BookmarkCommandTest, WritesThePageReplacingAFileOfItsNameButNeverTheTable) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* file;  // written, or nothing for a refusal
  } cases[] = {
      {{}, cli::kExitDone, kBookmarkPage},
      {{"sub/get.html"}, cli::kExitDone, "sub/get.html"},
      {{"--", "-get.html"}, cli::kExitDone, "-get.html"},
      {{"a.html", "b.html"}, cli::kExitBadInput, nullptr},
      {{"--open"}, cli::kExitBadInput, nullptr},
      {{"AliExpress Orders.html"}, cli::kExitBadInput, nullptr},
      {{"tmp/AE_order_list.json"}, cli::kExitBadInput, nullptr},
      {{"missing/get.html"}, cli::kExitWriteFailed, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args.back());
    test::ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_directory(folder / "tmp");
    // Files of the page's name from an earlier run are replaced.
    test::WriteBytes(folder / kBookmarkPage, "an older page");
    test::WriteBytes(folder / "sub" / "get.html", "an older page");
    test::WriteBytes(folder / kTableDocument, "the table");
    test::WriteBytes(folder / "tmp" / "AE_order_list.json", "the orders of the next build");

    std::ostringstream out, err;
    EXPECT_EQ(cli::RunBookmarkCommand(c.args, folder.path(), out, err), c.status) << err.str();
    EXPECT_EQ(ReadBytes(folder / kTableDocument), "the table");
    EXPECT_EQ(ReadBytes(folder / "tmp" / "AE_order_list.json"), "the orders of the next build");
    if (c.file) {
      const std::string page = ReadBytes(folder / c.file);
      EXPECT_EQ(page, BookmarkPage(BookmarkAddress()));
      EXPECT_NE(page.find("<a id=\"ordertable-bookmark\" href=\"javascript:"), std::string::npos);
    } else {
      EXPECT_FALSE(err.str().empty());
    }
  }
}

}  // namespace
}  // namespace ordertable

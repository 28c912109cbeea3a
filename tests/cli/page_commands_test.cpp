#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "files/files.h"
#include "orders/text.h"
#include "tests/support/order_pages.h"

namespace ordertable::cli {
namespace {

namespace fs = std::filesystem;

class PageCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / "ordertable_PageCommandsTest";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  int Run(decltype(&RunRowsCommand) command, const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return command(args, folder_, out_, err_);
  }

  fs::path folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(PageCommandsTest, RowsPrintsOneTabSeparatedLinePerOrder) {
  test::PageSpec page_spec;
  page_spec.orders = test::MakeOrders(6, 8012000000000300, 4);
  ASSERT_TRUE(files::WriteFileAtomically(folder_ / "page.html", {test::CachedPageText(page_spec)}));
  std::string expected;
  for (const OrderRow& row : test::ExpectedRows(page_spec.orders)) {
    expected += row.order_id + "\t" + row.date + "\t" + row.price + "\t" + row.status + "\t" +
                row.image + "\t" + row.description + "\t" + row.options + "\t" + row.store + "\n";
  }
  EXPECT_EQ(Run(RunRowsCommand, {"page.html"}), kExitDone);
  EXPECT_EQ(out_.str(), expected);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(PageCommandsTest, RowsReadsTheFileAsIsWithoutCleaningIt) {
  // An uncleaned page with LF breaks is one long line to the line reader: no rows.
  test::PageSpec page_spec;
  page_spec.orders = test::MakeOrders(2, 8012000000000300, 4);
  ASSERT_TRUE(
      files::WriteFileAtomically(folder_ / "source.html", {test::BuildPageSource(page_spec)}));
  EXPECT_EQ(Run(RunRowsCommand, {"source.html"}), kExitDone);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(PageCommandsTest, CleanPrintsTheCleanedBytes) {
  constexpr char kSource[] = "<html>\n\t\t<p>\x1a\0\xff\n\n  x\r";
  constexpr char kCleaned[] = "<html>\r\n<p>\x1a\0\xff\r\nx\r\n";
  const std::string source(kSource, sizeof kSource - 1);
  ASSERT_TRUE(files::WriteFileAtomically(folder_ / "source.html", {source}));
  EXPECT_EQ(Run(RunCleanCommand, {"source.html"}), kExitDone);
  EXPECT_EQ(out_.str(), CleanUpText(source));
  EXPECT_EQ(out_.str(), std::string(kCleaned, sizeof kCleaned - 1));
}

TEST_F(PageCommandsTest, BadArgumentsAndUnreadableFiles) {
  fs::create_directories(folder_ / "sub");
  const struct {
    decltype(&RunRowsCommand) command;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {RunRowsCommand, {}, "ordertable-cli: rows needs a FILE (see --help)\n"},
      {RunCleanCommand, {"a", "b"}, "ordertable-cli: clean takes one FILE (see --help)\n"},
      {RunRowsCommand,
       {"missing.html"},
       "ordertable-cli: cannot read 'missing.html': no such file\n"},
      {RunCleanCommand, {"sub"}, "ordertable-cli: cannot read 'sub': it is a folder\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command, c.args), kExitBadInput);
    EXPECT_EQ(err_.str(), c.message);
    EXPECT_EQ(out_.str(), "");
  }
}

TEST_F(PageCommandsTest, AFailedOutputIsReported) {
  ASSERT_TRUE(files::WriteFileAtomically(folder_ / "page.html", {"x"}));
  out_.setstate(std::ios::badbit);
  err_.str("");
  EXPECT_EQ(RunCleanCommand({"page.html"}, folder_, out_, err_), kExitWriteFailed);
  EXPECT_EQ(err_.str(), "ordertable-cli: cannot write to standard output\n");
}

}  // namespace
}  // namespace ordertable::cli

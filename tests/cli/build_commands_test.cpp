// The tool's build and import commands, run through their entry functions on generated pages
// in a scratch folder, as a user would run them in the folder of their table.
#include "cli/commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "table/document.h"
#include "table/rating.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::DocumentRow;
using test::ExpectedDocument;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;
using ::testing::HasSubstr;

constexpr std::int64_t kFirstId = 8012000000000001;

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

class BuildCommandsTest : public ::testing::Test {
 protected:
  CommandRun Import(std::vector<std::string> args) { return Call(cli::RunImportCommand, args); }
  CommandRun Build(std::vector<std::string> args) { return Call(cli::RunBuildCommand, args); }

  // Saves the page sources of `orders` orders from kFirstId + skip, `per_page` to a page,
  // as the browser would; returns their file names (relative to the folder).
  std::vector<std::string> SavePages(int orders, int skip = 0, int per_page = 10) {
    std::vector<std::string> names;
    auto pages = test::SplitIntoPages(test::MakeOrders(orders, kFirstId + skip, 4), per_page);
    std::filesystem::create_directories(folder_ / "saved");
    for (auto& page : pages) {
      page.line_breaks = page.page % 2 ? test::LineBreaks::kLf : test::LineBreaks::kCrLf;
      names.push_back("saved/page " + std::to_string(page.page) + ".html");
      WriteBytes(folder_ / names.back(), test::BuildPageSource(page));
    }
    return names;
  }

  // Rows as the document must show them: numbered down to 1, with the ratings the process's
  // generator draws next (read from a copy that leaves it alone).
  static std::vector<DocumentRow> NewRows(int orders, int skip = 0) {
    const RowList rows = test::ExpectedRows(test::MakeOrders(orders, kFirstId + skip, 4));
    RatingGenerator next = ProcessRatingGenerator();
    std::vector<DocumentRow> numbered;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      numbered.push_back(
          {rows[i], std::to_string(rows.size() - i), FormatNumber(next.NextRating())});
    }
    return numbered;
  }

  // An earlier table of the orders from kFirstId + skip on, with ratings set by hand.
  std::vector<DocumentRow> WriteEarlierTable(int orders, int skip) {
    const RowList rows = test::ExpectedRows(test::MakeOrders(orders, kFirstId + skip, 4));
    std::vector<DocumentRow> table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      table.push_back({rows[i], std::to_string(rows.size() - i), i % 2 ? "4" : ".5"});
    }
    WriteBytes(Document(), ExpectedDocument(table));
    return table;
  }

  std::filesystem::path Document() const { return folder_ / kTableDocument; }
  std::filesystem::path Backup() const { return folder_ / kTableBackup; }
  std::filesystem::path Cached(const char* name) const { return folder_.path() / "tmp" / name; }

  ScratchFolder folder_;

 private:
  template <typename Command>
  CommandRun Call(Command command, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = command(args, folder_.path(), out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(BuildCommandsTest, ImportBuildsANewTableFromSavedPages) {
  const auto files = SavePages(27);
  const auto expected = ExpectedDocument(NewRows(27));

  const CommandRun run = Import({files[2], files[0], files[1]});  // any order of the files
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("27 row(s) written"));
  EXPECT_EQ(ReadBytes(Document()), expected);
  EXPECT_FALSE(std::filesystem::exists(Backup()));
  // The cached page files hold the cleaned pages, as the wizard stores them.
  auto pages = test::SplitIntoPages(test::MakeOrders(27, kFirstId, 4), 10);
  pages[1].line_breaks = test::LineBreaks::kCrLf;
  EXPECT_EQ(ReadBytes(Cached("AE_orders_02.html")), test::CachedPageText(pages[1]));
}

TEST_F(BuildCommandsTest, ImportUpdateAddsTheNewOrdersAndStopsAtTheFirstKnownOne) {
  const auto earlier = WriteEarlierTable(30, 12);  // orders 13 to 42
  const std::string old_table = ReadBytes(Document());
  const auto files = SavePages(40);  // orders 1 to 40: page 2 reaches order 13
  auto rows = NewRows(12);
  rows.insert(rows.end(), earlier.begin(), earlier.end());

  const CommandRun run = Import({"--update", files[0], files[1], files[2], files[3]});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("12 new row(s) added"));
  EXPECT_THAT(run.err, HasSubstr("page 3 not needed"));
  EXPECT_EQ(ReadBytes(Document()), ExpectedDocument(rows));
  EXPECT_EQ(ReadBytes(Backup()), old_table);
  EXPECT_FALSE(std::filesystem::exists(Cached("AE_orders_03.html")));
}

TEST_F(BuildCommandsTest, ImportUpdateWithoutNewOrdersKeepsTheTable) {
  WriteEarlierTable(30, 0);
  const std::string old_table = ReadBytes(Document());
  const auto files = SavePages(20);

  const CommandRun run = Import({"--update", files[0], files[1]});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("0 new row(s) added"));
  EXPECT_EQ(ReadBytes(Document()), old_table);
  EXPECT_EQ(ReadBytes(Backup()), old_table);
}

TEST_F(BuildCommandsTest, BuildReadsTheCachedPagesAndNeverOverwritesATable) {
  EXPECT_EQ(Build({}).status, cli::kExitNoPages);
  EXPECT_FALSE(std::filesystem::exists(Document()));

  test::WriteCachedPages(folder_.path(),
                         test::SplitIntoPages(test::MakeOrders(15, kFirstId, 4), 10));
  const auto expected = ExpectedDocument(NewRows(15));
  const CommandRun first = Build({});
  EXPECT_EQ(first.status, cli::kExitDone) << first.err;
  EXPECT_EQ(first.out, "15 row(s) written to \"AliExpress Orders.html\"\n");
  EXPECT_EQ(ReadBytes(Document()), expected);

  const CommandRun again = Build({});
  EXPECT_EQ(again.status, cli::kExitBadInput);
  EXPECT_THAT(again.err, HasSubstr("already exists"));
  EXPECT_EQ(ReadBytes(Document()), expected);

  const CommandRun update = Build({"--update"});
  EXPECT_EQ(update.status, cli::kExitDone) << update.err;
  EXPECT_THAT(update.out, HasSubstr("0 new row(s) added"));
  EXPECT_EQ(ReadBytes(Document()), expected);
  EXPECT_EQ(ReadBytes(Backup()), expected);
}

// Every case must end with its exit status and message, and with every file of the folder
// (the table, its backup, earlier cached pages) as it was before the run.
TEST_F(BuildCommandsTest, FailuresLoseNothing) {
  const struct {
    const char* name;
    std::vector<std::string> args;  // "@N" stands for the N-th saved page file
    int pages;                      // saved pages of 10 orders
    const char* arrange;            // what stands in the folder before the run
    int status;
    const char* message;
  } cases[] = {
      // A folder is no table, for the tool as for the wizard.
      {"document replaced by a folder",
       {"--update"},
       0,
       "document-folder",
       cli::kExitBadInput,
       "no \"AliExpress Orders.html\" to update"},
      {"document replaced by a folder, new table",
       {},
       0,
       "document-folder",
       cli::kExitWriteFailed,
       "could not be written"},
      {"document vanished before an update",
       {"--update"},
       0,
       "backup",
       cli::kExitBadInput,
       "no \"AliExpress Orders.html\" to update"},
      {"no cached page file",
       {"--update"},
       0,
       "table-without-pages",
       cli::kExitNoPages,
       "no cached page file"},
      {"unknown option", {"--force"}, 0, "table", cli::kExitBadInput, "unexpected argument"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::string arrange = c.arrange;
    if (arrange != "table-without-pages") {
      test::WriteCachedPages(folder.path(), test::SplitIntoPages(test::MakeOrders(5, 1, 4), 10));
    }
    if (arrange == "document-folder") std::filesystem::create_directory(folder / kTableDocument);
    if (arrange == "table" || arrange == "table-without-pages") {
      WriteBytes(folder / kTableDocument, "the table");
    }
    WriteBytes(folder / kTableBackup, "the table before the last update");
    const auto before = test::FolderEntries(folder.path());

    std::ostringstream out, err;
    EXPECT_EQ(cli::RunBuildCommand(c.args, folder.path(), out, err), c.status);
    EXPECT_THAT(err.str(), HasSubstr(c.message));
    EXPECT_EQ(test::FolderEntries(folder.path()), before);
    EXPECT_EQ(ReadBytes(folder / kTableBackup), "the table before the last update");
    if (arrange == "table") {
      EXPECT_EQ(ReadBytes(folder / kTableDocument), "the table");
    }
  }
}

TEST_F(BuildCommandsTest, ImportRefusesPagesItCannotUseAndWritesNothing) {
  const auto files = SavePages(30);  // pages 1 to 3 of 3
  WriteBytes(folder_ / "saved/notes.html", "<html><body>shopping list</body></html>");
  WriteBytes(folder_ / "saved/copy of page 2.html", ReadBytes(folder_ / files[1]));
  std::string no_number = ReadBytes(folder_ / files[0]);
  no_number.replace(no_number.find(">1/3<"), 5, ">/3<");
  WriteBytes(folder_ / "saved/no number.html", no_number);
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"not an order-list page",
       {files[0], "saved/notes.html"},
       "saved/notes.html: not an order-list page (it lacks Alibaba Manufacturer Directory)"},
      {"unreadable file", {files[0], "saved/absent.html"}, "saved/absent.html: cannot be read"},
      {"same page twice",
       {files[0], files[1], "saved/copy of page 2.html", files[2]},
       "saved/copy of page 2.html: page 2 again (already given by saved/page 2.html)"},
      {"page without a number", {"saved/no number.html"}, "gives no page number"},
      {"a page in the middle missing", {files[0], files[2]}, "page 2 of 3 is missing"},
      {"page 1 missing", {files[1], files[2]}, "page 1 is missing"},
      {"no file at all", {}, "needs at least one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandRun run = Import(c.args);
    EXPECT_EQ(run.status, cli::kExitBadInput);
    EXPECT_THAT(run.err, HasSubstr(c.message));
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(test::FolderEntries(folder_.path()), ::testing::ElementsAre("saved"));
  }
}

TEST_F(BuildCommandsTest, ImportUpdateThatNeverReachesTheTableNeedsEveryPage) {
  WriteEarlierTable(10, 100);
  const std::string old_table = ReadBytes(Document());
  const auto files = SavePages(30);  // none of orders 1 to 30 is in the table

  const CommandRun run = Import({"--update", files[0], files[1]});
  EXPECT_EQ(run.status, cli::kExitBadInput);
  EXPECT_THAT(run.err, HasSubstr("page 3 of 3 is missing"));
  EXPECT_EQ(ReadBytes(Document()), old_table);
  EXPECT_FALSE(std::filesystem::exists(Backup()));
  // No partial set of cached pages is left for a later build to take as complete.
  EXPECT_FALSE(std::filesystem::exists(Cached("AE_orders_01.html")));
}

TEST_F(BuildCommandsTest, ImportReplacesTheCachedPagesOfAnEarlierCapture) {
  // Pages 1 to 4 of an earlier capture; the import brings pages 1 and 2 of 2.
  test::WriteCachedPages(folder_.path(), test::SplitIntoPages(test::MakeOrders(40, 5000, 4), 10));
  const auto files = SavePages(20);
  const auto expected = ExpectedDocument(NewRows(20));
  const CommandRun run = Import({files[0], files[1]});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_EQ(ReadBytes(Document()), expected);
  EXPECT_FALSE(std::filesystem::exists(Cached("AE_orders_03.html")));
}

TEST_F(BuildCommandsTest, ImportReportsACacheFolderItCannotWrite) {
  const auto files = SavePages(10);
  WriteBytes(folder_ / "tmp", "a file where the cache folder belongs");
  const CommandRun run = Import({files[0]});
  EXPECT_EQ(run.status, cli::kExitWriteFailed);
  EXPECT_THAT(run.err, HasSubstr("tmp/AE_orders_01.html could not be written"));
  EXPECT_FALSE(std::filesystem::exists(Document()));
  EXPECT_EQ(ReadBytes(folder_ / "tmp"), "a file where the cache folder belongs");
}

}  // namespace
}  // namespace ordertable

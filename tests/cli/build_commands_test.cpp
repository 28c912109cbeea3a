// The tool's build and import commands, run through their entry functions on generated pages
// in a scratch folder, as a user would run them in the folder of their table.
#include "cli/commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "orders/order_list.h"
#include "table/document.h"
#include "table/rating.h"
#include "tests/support/order_captures.h"
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
  EXPECT_FALSE(std::filesystem::exists(Backup()));  // nothing new: no backup replaces the last
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
  EXPECT_FALSE(std::filesystem::exists(Backup()));
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
    EXPECT_EQ(test::EntriesBesideAssets(folder.path()), before);
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

// ---------------------------------------------------------------------------------------------
// Captures of today's order list

class ImportCaptureTest : public BuildCommandsTest {
 protected:
  static std::vector<test::TestListOrder> ListOrders(int count, int skip = 0) {
    return test::MakeListedOrders(count, 8214000000000001 + skip, 5);
  }

  std::string Save(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(folder_ / "saved");
    WriteBytes(folder_ / ("saved/" + name), text);
    return "saved/" + name;
  }

  // Rows of a document, numbered down to 1, with the ratings the process's generator draws
  // next for those of `fresh` and the given ones for the rest.
  static std::vector<DocumentRow> Numbered(const RowList& fresh) {
    RatingGenerator next = ProcessRatingGenerator();
    std::vector<DocumentRow> numbered;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      numbered.push_back(
          {fresh[i], std::to_string(fresh.size() - i), FormatNumber(next.NextRating())});
    }
    return numbered;
  }

  void ExpectNothingWritten() {
    EXPECT_FALSE(std::filesystem::exists(Document()));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "tmp")) << "tmp/ holds a capture";
  }
};

TEST_F(ImportCaptureTest, AHarBuildsANewTableAndKeepsOnlyTheOrders) {
  const auto orders = ListOrders(23);
  const std::string har =
      Save("orders.har",
           test::BuildCapture(
               {.orders = orders, .flavour = test::HarFlavour::kFirefox, .duplicates = true}));
  const std::string expected = ExpectedDocument(Numbered(test::ExpectedListRows(orders)));

  const CommandRun run = Import({har});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("23 order(s) stored in tmp/AE_order_list.json"));
  EXPECT_THAT(run.out, HasSubstr("23 row(s) written"));
  EXPECT_EQ(ReadBytes(Document()), expected);
  // The cached capture holds what a rebuild needs, never the session's cookies.
  const std::string stored = ReadBytes(Cached("AE_order_list.json"));
  EXPECT_EQ(stored.find("SECRET-SESSION-TOKEN"), std::string::npos);
  EXPECT_EQ(ReadOrderListCapture(stored).orders, test::ListedOrders(orders));
  std::filesystem::remove(Document());
  const std::string rebuilt = ExpectedDocument(Numbered(test::ExpectedListRows(orders)));
  EXPECT_EQ(Build({}).status, cli::kExitDone);  // built again from the cached capture alone
  EXPECT_EQ(ReadBytes(Document()), rebuilt);
}

TEST_F(ImportCaptureTest, ReplyFilesAreReadInTheOrderGiven) {
  const auto orders = ListOrders(14);
  const std::vector<test::TestListOrder> first(orders.begin(), orders.begin() + 10);
  const std::vector<test::TestListOrder> second(orders.begin() + 10, orders.end());
  const std::string one = Save("one.json", test::ReplyText(first, 1, true, 1));
  const std::string two = Save("two.json", test::ReplyText(second, 2, false));

  const std::string expected = ExpectedDocument(Numbered(test::ExpectedListRows(orders)));

  const CommandRun run = Import({one, two});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_EQ(ReadBytes(Document()), expected);
}

// Pages of the list that are missing (a reply whose text the browser did not keep, files given
// out of order) would lose their orders for good: an update stops at the first known order.
TEST_F(ImportCaptureTest, RepliesOfTheListMustComeFromPageOneOnWithoutAGap) {
  const auto orders = ListOrders(30);
  std::vector<std::string> files;
  for (int page = 1; page <= 3; ++page) {
    const std::vector<test::TestListOrder> listed(orders.begin() + (page - 1) * 10,
                                                  orders.begin() + page * 10);
    files.push_back(Save("page" + std::to_string(page) + ".json",
                         test::ReplyText(listed, page, page < 3, page == 1 ? 1 : 0)));
  }
  const struct {
    std::vector<int> pages;
    bool built;
  } cases[] = {{{1, 2, 3}, true},  {{1, 2, 3, 1}, true}, {{1, 3}, false},
               {{3, 1, 2}, false}, {{2, 3}, false},      {{1, 2, 1, 3}, true}};
  for (const auto& c : cases) {
    std::vector<std::string> given;
    for (const int page : c.pages) given.push_back(files[static_cast<std::size_t>(page - 1)]);
    std::filesystem::remove(Document());
    const CommandRun run = Import(given);
    EXPECT_EQ(run.status, c.built ? cli::kExitDone : cli::kExitBadInput)
        << testing::PrintToString(c.pages) << run.err;
    EXPECT_EQ(std::filesystem::exists(Document()), c.built) << testing::PrintToString(c.pages);
    if (!c.built) {
      EXPECT_THAT(run.err, testing::HasSubstr("pages of the order list are missing"));
    }
  }
}

TEST_F(ImportCaptureTest, UpdatesOfEitherKindWorkOnATableOfBothOrigins) {
  // A table of older pages; a capture whose list reaches its newest order adds the orders above
  // it; saved pages of newer orders then add theirs above those.
  const auto earlier = WriteEarlierTable(10, 30);
  const std::string page_table = ReadBytes(Document());
  std::vector<test::TestListOrder> list = ListOrders(6);
  test::TestListOrder known;
  known.order.id = earlier.front().row.order_id;
  known.order.lines.emplace_back();
  list.push_back(known);
  const auto older = ListOrders(5, 100);
  list.insert(list.end(), older.begin(), older.end());
  const std::string har =
      Save("update.har", test::BuildCapture({.orders = list, .complete = false}));
  std::vector<DocumentRow> rows =
      Numbered(test::ExpectedListRows({list.begin(), list.begin() + 6}));
  rows.insert(rows.end(), earlier.begin(), earlier.end());

  CommandRun run = Import({"--update", har});
  ASSERT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("6 new row(s) added"));
  const std::string mixed = ReadBytes(Document());
  EXPECT_EQ(mixed, ExpectedDocument(rows));
  EXPECT_EQ(ReadBytes(Backup()), page_table);

  run = Import({"--update", SavePages(3)[0]});  // orders 1 to 3: none known, the whole list
  ASSERT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("3 new row(s) added"));
  EXPECT_FALSE(std::filesystem::exists(Cached("AE_order_list.json")));
  const std::string both = ReadBytes(Document());
  const std::string first_capture_row = "<!--" + list.front().order.id;
  EXPECT_EQ(both.substr(both.find(first_capture_row)), mixed.substr(mixed.find(first_capture_row)));
}

TEST_F(ImportCaptureTest, CapturesThatCannotBeBuiltWriteNothingAndSayWhy) {
  const auto orders = ListOrders(25);
  const std::string har = test::BuildCapture({.orders = orders});
  std::string with_nul = har;
  with_nul[har.size() / 2] = '\0';
  struct Case {
    const char* what;
    std::string text;
    bool update;
    std::string said;
  };
  const Case cases[] = {
      {"refused", test::BuildCapture({.orders = orders, .all_refused = true}), false,
       "every order-list reply in it was refused"},
      {"cut short", test::BuildCapture({.orders = orders, .complete = false}), false,
       "click \"View orders\" under the list until it disappears"},
      {"today's page source",
       "<html><script>var p={api:\"mtop.aliexpress.trade.buyer.order.list\"}</script></html>",
       false, "capture its network traffic as a HAR"},
      {"an update that reaches no known order",
       test::BuildCapture({.orders = orders, .complete = false}), true,
       "and reaches no order of the table"},
      // The last page of another tab is not the end of the whole list.
      {"a list cut short, then a tab clicked",
       test::BuildCapture({.orders = orders, .complete = false, .then_tab = "processing"}), false,
       "the capture ends before the end of the order list"},
      {"one tab only", test::BuildCapture({.orders = orders, .tab = "unpaid"}), false,
       "only replies of one tab, time span or search"},
      {"a HAR cut short", har.substr(0, har.size() / 3), false,
       "the HAR is cut short at byte " + std::to_string(har.size() / 3) +
           ": save or copy it again"},
      {"a NUL in the HAR", with_nul, false,
       "the HAR is not valid JSON at byte " + std::to_string(har.size() / 2 + 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder_ / "tmp");
    std::filesystem::remove(Document());
    if (c.update) WriteEarlierTable(5, 200);
    const std::string before = c.update ? ReadBytes(Document()) : "";
    const std::string file = Save("capture.har", c.text);
    const CommandRun run = c.update ? Import({"--update", file}) : Import({file});
    EXPECT_EQ(run.status, cli::kExitBadInput);
    EXPECT_THAT(run.err, HasSubstr(c.said));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "tmp"));
    if (c.update) {
      EXPECT_EQ(ReadBytes(Document()), before);
      EXPECT_FALSE(std::filesystem::exists(Backup()));
    } else {
      ExpectNothingWritten();
    }
  }
}

// The same list in the forms a shopper may hand it over builds the same table: UTF-16 as
// Windows tools save it, ids as JSON numbers, a title cut inside an emoji.
TEST_F(ImportCaptureTest, HarsInOtherFormsBuildTheWholeList) {
  const auto orders = ListOrders(12);
  const std::string har = test::BuildCapture({.orders = orders});
  const auto utf16 = [&har](bool mark) {
    std::u16string units;
    for (std::size_t i = 0; i < har.size();) {
      const auto byte = static_cast<unsigned char>(har[i]);
      const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
      char32_t code = length == 1 ? byte : byte & (0xFF >> (length + 1));
      for (int k = 1; k < length; ++k) code = (code << 6) | (har[i + k] & 0x3F);
      i += static_cast<std::size_t>(length);
      if (code >= 0x10000) {
        units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
        code = 0xDC00 + ((code - 0x10000) & 0x3FF);
      }
      units.push_back(static_cast<char16_t>(code));
    }
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (const char16_t unit : units) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
  };
  std::string lone_surrogate = har;
  const std::size_t title = lone_surrogate.find("itemTitle");
  lone_surrogate.insert(lone_surrogate.find(':', title) + 3, "\\\\ud83d");
  const struct {
    const char* what;
    std::string text;
    bool exact;  // every row as the orders give it; else the title keeps a U+FFFD
  } cases[] = {
      {"UTF-16 with its byte order mark", utf16(true), true},
      {"UTF-16 without it", utf16(false), true},
      {"ids as JSON numbers", test::BuildCapture({.orders = orders, .numeric_ids = true}), true},
      {"a lone surrogate in a title", lone_surrogate, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Document());
    const std::string expected = ExpectedDocument(Numbered(test::ExpectedListRows(orders)));
    const CommandRun run = Import({Save("orders.har", c.text)});
    ASSERT_EQ(run.status, cli::kExitDone) << run.err;
    if (c.exact) {
      EXPECT_EQ(ReadBytes(Document()), expected);
    } else {
      EXPECT_THAT(run.out, HasSubstr("12 row(s) written"));
      EXPECT_THAT(ReadBytes(Document()), HasSubstr("\xEF\xBF\xBD"));
    }
  }
}

// An order whose id cannot be read cannot be put in the table: the import says how many.
TEST_F(ImportCaptureTest, OrdersWithoutAnIdAreCountedAloud) {
  const auto orders = ListOrders(12);
  const CommandRun run =
      Import({Save("orders.har", test::BuildCapture({.orders = orders, .null_ids = 2}))});
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("10 row(s) written"));
  EXPECT_THAT(run.err, HasSubstr("2 order(s) of the capture could not be read"));
}

}  // namespace
}  // namespace ordertable

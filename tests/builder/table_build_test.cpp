#include "builder/table_build.h"

#include <gtest/gtest.h>

#include <filesystem>
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
using test::ScratchFolder;

// The rows as the document must show them, numbered from the top down to 1, with the ratings
// that the process's generator will draw next (read from a copy of it, which it leaves alone).
std::vector<DocumentRow> NumberedRows(const RowList& rows) {
  RatingGenerator next = ProcessRatingGenerator();
  std::vector<DocumentRow> numbered;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    numbered.push_back({rows[i], std::to_string(rows.size() - i), FormatNumber(next.NextRating())});
  }
  return numbered;
}

std::vector<test::PageSpec> Pages(int orders, std::int64_t first_id) {
  return test::SplitIntoPages(test::MakeOrders(orders, first_id, 7), 10);
}

TEST(RunTableBuildTest, NewTableHoldsEveryOrderOfTheConsecutivePagesInPageOrder) {
  ScratchFolder folder;
  auto pages = Pages(37, 8012000000000000);  // pages of 10, 10, 10 and 7 orders
  pages[1].line_breaks = test::LineBreaks::kCrLf;
  pages[2].indentation = test::Indentation::kSpaces;
  test::WriteCachedPages(folder.path(), pages);
  const RowList rows = test::ExpectedRows(test::MakeOrders(37, 8012000000000000, 7));
  const auto expected = ExpectedDocument(NumberedRows(rows));

  const BuildOutcome outcome = RunTableBuild(folder.path(), false);
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 37);
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), expected);
  EXPECT_FALSE(std::filesystem::exists(folder / kTableBackup));
}

TEST(RunTableBuildTest, TheFirstMissingPageEndsTheCount) {
  ScratchFolder folder;
  auto pages = Pages(40, 8012000000000000);
  pages.erase(pages.begin() + 2);  // pages 1, 2 and 4
  const auto written = [&] {
    test::WriteCachedPages(folder.path(), pages);
    return test::ReadBytes(folder.path() / "tmp" / "AE_orders_04.html");
  }();
  const RowList rows = test::ExpectedRows(test::MakeOrders(20, 8012000000000000, 7));
  const auto expected = ExpectedDocument(NumberedRows(rows));

  const BuildOutcome outcome = RunTableBuild(folder.path(), false);
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 20);
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), expected);
  // The cached page files are the capture's: the build leaves them as they were.
  EXPECT_EQ(test::ReadBytes(folder.path() / "tmp" / "AE_orders_04.html"), written);
}

TEST(RunTableBuildTest, WithoutAPageOneNothingIsReadOrWritten) {
  const struct {
    const char* name;
    bool update_mode;
    bool folder_for_page_one;
  } cases[] = {
      {"new table, no tmp folder", false, false},
      {"update, no tmp folder", true, false},
      {"page 1 is a folder", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    test::WriteBytes(folder / kTableDocument, "the existing table");
    if (c.folder_for_page_one) {
      std::filesystem::create_directories(folder.path() / "tmp" / "AE_orders_01.html");
      test::WriteCachedPage(folder.path(), Pages(12, 1000)[1]);  // page 2 alone
    }
    const RatingGenerator before = ProcessRatingGenerator();

    const BuildOutcome outcome = RunTableBuild(folder.path(), c.update_mode);
    EXPECT_EQ(outcome.result, BuildResult::kNoPages);
    EXPECT_EQ(outcome.row_count, 0);
    EXPECT_EQ(test::ReadBytes(folder / kTableDocument), "the existing table");
    EXPECT_FALSE(std::filesystem::exists(folder / kTableBackup));
    // No rating was drawn either.
    RatingGenerator after = ProcessRatingGenerator();
    EXPECT_EQ(after.Draw(), RatingGenerator(before).Draw());
  }
}

// An earlier build's table of orders 11 to 40, as the user kept it (ratings edited by hand).
struct EarlierTable {
  std::vector<DocumentRow> rows;
  std::string text;
};
EarlierTable TableOfOrders11To40() {
  EarlierTable table;
  const RowList rows = test::ExpectedRows(test::MakeOrders(30, 8012000000000011, 7));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    table.rows.push_back({rows[i], std::to_string(rows.size() - i), i % 3 ? "3.5" : "5"});
  }
  table.text = ExpectedDocument(table.rows);
  return table;
}

TEST(RunTableBuildTest, UpdateAddsOnlyTheNewOrdersAboveTheOldRows) {
  ScratchFolder folder;
  const EarlierTable earlier = TableOfOrders11To40();
  test::WriteBytes(folder / kTableDocument, earlier.text);
  // Orders 1 to 25: ten new ones, then fifteen that the table holds.
  test::WriteCachedPages(folder.path(), Pages(25, 8012000000000001));
  auto rows = NumberedRows(test::ExpectedRows(test::MakeOrders(10, 8012000000000001, 7)));
  rows.insert(rows.end(), earlier.rows.begin(), earlier.rows.end());

  const BuildOutcome outcome = RunTableBuild(folder.path(), true);
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 10);
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), ExpectedDocument(rows));
  EXPECT_EQ(test::ReadBytes(folder / kTableBackup), earlier.text);
}

TEST(RunTableBuildTest, UpdateWithoutNewOrdersKeepsTheTable) {
  ScratchFolder folder;
  const EarlierTable earlier = TableOfOrders11To40();
  test::WriteBytes(folder / kTableDocument, earlier.text);
  test::WriteCachedPages(folder.path(), Pages(20, 8012000000000015));

  const BuildOutcome outcome = RunTableBuild(folder.path(), true);
  EXPECT_EQ(outcome.result, BuildResult::kDone);
  EXPECT_EQ(outcome.row_count, 0);
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), earlier.text);
  EXPECT_EQ(test::ReadBytes(folder / kTableBackup), earlier.text);
}

TEST(RunTableBuildTest, AWriteFailureIsReportedAndLosesNothing) {
  const struct {
    const char* name;
    bool update_mode;
    bool document_is_folder;
  } cases[] = {
      {"new table, document is a folder", false, true},
      {"update, document is a folder", true, true},
      {"update, document vanished", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    test::WriteCachedPages(folder.path(), Pages(12, 8012000000000001));
    if (c.document_is_folder) std::filesystem::create_directory(folder / kTableDocument);
    test::WriteBytes(folder / kTableBackup, "the table before the last update");

    const BuildOutcome outcome = RunTableBuild(folder.path(), c.update_mode);
    EXPECT_EQ(outcome.result, BuildResult::kFailed);
    EXPECT_EQ(outcome.row_count, 0);
    EXPECT_EQ(std::filesystem::is_directory(folder / kTableDocument), c.document_is_folder);
    EXPECT_EQ(test::ReadBytes(folder / kTableBackup), "the table before the last update");
    EXPECT_EQ(test::FolderEntries(folder.path()).size(), c.document_is_folder ? 3u : 2u);
  }
}

}  // namespace
}  // namespace ordertable

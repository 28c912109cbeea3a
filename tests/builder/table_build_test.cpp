#include "builder/table_build.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "table/assets.h"
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
  // Nothing new: no backup replaces the last one (here: none is made).
  EXPECT_FALSE(std::filesystem::exists(folder / kTableBackup));
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
    EXPECT_EQ(test::EntriesBesideAssets(folder.path()).size(), c.document_is_folder ? 3u : 2u);
  }
}

std::size_t FilesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    count += entry.is_regular_file() ? 1 : 0;
  }
  return count;
}

// A table moved without its folder of assets gets it back on the next update; a table whose
// head names an asset host gets nothing beside it.
TEST(RunTableBuildTest, AnUpdatePutsBackTheAssetsItsHeadRefersTo) {
  for (const char* host : {"", "assets.example.org"}) {
    SCOPED_TRACE(host);
    ScratchFolder folder;
    const RowList old_rows = test::ExpectedRows(test::MakeOrders(5, 8012000000000011, 7));
    test::WriteBytes(folder / kTableDocument, ExpectedDocument({{old_rows[0], "1", "5"}}, host));
    test::WriteCachedPages(folder.path(), Pages(11, 8012000000000001));

    const BuildOutcome outcome = RunTableBuild(folder.path(), true);
    EXPECT_EQ(outcome.result, BuildResult::kDone);
    EXPECT_EQ(outcome.row_count, 10);
    if (*host) {
      EXPECT_FALSE(std::filesystem::exists(folder / kAssetFolder));
    } else {
      EXPECT_EQ(FilesIn(folder / kAssetFolder), TableAssets().size());
    }
  }
}

// The folder of assets cannot be filled: the build fails as for any other write, the table
// stays as it was, and once the folder is mended the same cached pages give every order.
TEST(RunTableBuildTest, AnAssetFolderThatCannotBeWrittenFailsTheBuildAndLosesNothing) {
  const struct {
    const char* name;
    bool update_mode;
    bool read_only;  // else a file stands in the folder's place
  } cases[] = {
      {"new table, a file in the folder's place", false, false},
      {"update, a file in the folder's place", true, false},
      {"new table, read-only folder", false, true},
      {"update, read-only folder", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.read_only && !test::ReadOnlyFoldersRefuseWrites()) continue;
    // Only tables that refer to the folder need it: new tables of a build without asset host.
    if (!c.update_mode && !test::kBuiltAssetHost.empty()) continue;
    ScratchFolder folder;
    const RowList old_rows = test::ExpectedRows(test::MakeOrders(5, 8012000000000011, 7));
    const std::string old_table = ExpectedDocument({{old_rows[0], "1", "5"}}, "");
    if (c.update_mode) test::WriteBytes(folder / kTableDocument, old_table);
    test::WriteCachedPages(folder.path(), Pages(11, 8012000000000001));
    const std::filesystem::path assets = folder / kAssetFolder;
    if (c.read_only) {
      std::filesystem::create_directory(assets);
      std::filesystem::permissions(
          assets, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    } else {
      test::WriteBytes(assets, "in the way");
    }

    BuildOutcome outcome = RunTableBuild(folder.path(), c.update_mode);
    EXPECT_EQ(outcome.result, BuildResult::kFailed);
    EXPECT_EQ(outcome.failure, BuildFailure::kAssetsUnwritable);
    EXPECT_EQ(outcome.row_count, 0);
    EXPECT_THAT(outcome.message, ::testing::HasSubstr(kAssetFolder));
    EXPECT_EQ(outcome.kept_in, c.update_mode ? TableKeptIn::kDocument : TableKeptIn::kNowhere);
    EXPECT_EQ(test::EntriesBesideAssets(folder.path()),
              (c.update_mode ? std::vector<std::string>{kTableDocument, "tmp"}
                             : std::vector<std::string>{"tmp"}));
    if (c.update_mode) {
      EXPECT_EQ(test::ReadBytes(folder / kTableDocument), old_table);
    }

    if (c.read_only) {
      std::filesystem::permissions(assets, std::filesystem::perms::owner_all);
    } else {
      std::filesystem::remove(assets);
    }
    outcome = RunTableBuild(folder.path(), c.update_mode);
    EXPECT_EQ(outcome.result, BuildResult::kDone);
    EXPECT_EQ(outcome.row_count, c.update_mode ? 10 : 11);
    EXPECT_EQ(FilesIn(assets), TableAssets().size());
  }
}

}  // namespace
}  // namespace ordertable

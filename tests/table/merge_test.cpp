#include "table/merge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "table/document.h"
#include "table/rating.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::DocumentRow;
using test::ExpectedDocument;
using test::ExpectedRowBlock;
using test::kFirstRatings;
using test::SampleRow;
using test::ScratchFolder;

RowList Rows(const std::vector<std::string>& ids) {
  RowList rows;
  for (const auto& id : ids) rows.push_back(SampleRow(id));
  return rows;
}

// A table as an earlier build (and the user's hand) left it: its own numbers and ratings,
// and a description with bytes that are not UTF-8.
std::vector<DocumentRow> ExistingRows(const std::vector<std::string>& ids) {
  std::vector<DocumentRow> rows;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    OrderRow row = SampleRow(ids[i]);
    row.description += "\xFF\xC3(";
    rows.push_back({row, std::to_string(ids.size() - i), i % 2 ? "5" : "0.5"});
  }
  return rows;
}

// The new rows numbered K down to 1 with a fresh generator's ratings, then the old rows.
std::string ExpectedMerge(const std::vector<std::string>& added,
                          const std::vector<DocumentRow>& existing) {
  std::vector<DocumentRow> rows;
  for (std::size_t i = 0; i < added.size(); ++i) {
    rows.push_back({SampleRow(added[i]), std::to_string(added.size() - i), kFirstRatings[i]});
  }
  rows.insert(rows.end(), existing.begin(), existing.end());
  return ExpectedDocument(rows);
}

TEST(MergeRowsTest, InsertsOnlyTheOrdersTheTableLacksAtTheTop) {
  const struct {
    const char* name;
    std::vector<std::string> existing;
    std::vector<std::string> extracted;
    std::vector<std::string> added;
  } cases[] = {
      {"two new orders above the known ones", {"A", "B", "C"}, {"D", "E", "A", "B"}, {"D", "E"}},
      {"every order known", {"A", "B", "C"}, {"C", "A"}, {}},
      {"nothing extracted", {"A", "B"}, {}, {}},
      {"a known order between new ones", {"A"}, {"X", "A", "Y", "Z"}, {"X", "Y", "Z"}},
      {"a new order extracted twice", {"A"}, {"N", "N", "A"}, {"N", "N"}},
      {"empty id, table has none", {"A"}, {""}, {""}},
      {"empty id, table has one", {"", "A"}, {"", "B"}, {"B"}},
      {"id inside a longer id", {"123"}, {"23", "12"}, {"23", "12"}},
      {"ids keep their letter case", {"ab"}, {"AB", "ab"}, {"AB"}},
      {"table without rows", {}, {"P", "Q"}, {"P", "Q"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto existing = ExistingRows(c.existing);
    RowList rows = Rows(c.extracted);
    RatingGenerator ratings;
    EXPECT_EQ(MergeRows(ExpectedDocument(existing), rows, ratings),
              ExpectedMerge(c.added, existing));
    EXPECT_EQ(rows, Rows(c.added));
  }
}

TEST(MergeRowsTest, TableWithoutKeyCommentsGetsTheRowsAtASoundPlace) {
  const std::string block = ExpectedRowBlock({SampleRow("N"), "1", kFirstRatings[0]});
  const struct {
    const char* name;
    std::string before;  // the document up to the insertion point
    std::string after;   // the rest of the document
    bool line_break_first;
  } cases[] = {
      {"after the <tbody> line", "<table>\r\n</tr></thead><tbody>\r\n", "<tfoot><tr>\r\n", false},
      {"tag in capitals, lone LF", "<TBODY class='x'>\n", "</TBODY>\n", false},
      {"bare CR", "<tbody>\r", "<tfoot>\r", false},
      {"<tbody> on the last line", "<table><tbody>", "", true},
      {"before <tfoot>", "<table>\r\n</tbody>\r\n", "<tfoot><tr>\r\n</table>\r\n", false},
      {"<tfoot> inside a line", "<table>", "<tfoot></tfoot>\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RowList rows = Rows({"N"});
    RatingGenerator ratings;
    EXPECT_EQ(MergeRows(c.before + c.after, rows, ratings),
              c.before + (c.line_break_first ? "\r\n" : "") + block + c.after);
  }
  // Without a table body, a header or a footer there is no place for rows: nothing is made up.
  for (const std::string document : {"hand-written text\r\n", "text", "",
                                     "<tbodyx>\r\n<tfooter>\r\n", "<p><!-- <tbody> --></p>"}) {
    SCOPED_TRACE(document);
    RowList rows = Rows({"N"});
    RatingGenerator ratings;
    EXPECT_EQ(MergeRows(document, rows, ratings), std::nullopt);
  }
}

TEST(MergeRowsTest, NoNewRowLeavesATableWithoutKeyCommentsUnchanged) {
  // Where a first row would need a line break before it, no row means no line break either.
  for (const std::string document :
       {"<table><tbody>", "<table><tfoot></tfoot>", "text", "<tbody>\r\n</tbody>\r\n"}) {
    SCOPED_TRACE(document);
    RowList rows;
    RatingGenerator ratings;
    EXPECT_EQ(MergeRows(document, rows, ratings), document);
  }
}

TEST(MergeRowsTest, CommentsOutsideTheRowsAreNoInsertionPoint) {
  // A browser's "Save page as" line, a note in the head, a note above the first row: rows go
  // before the first row's key comment, inside the body, where a browser shows them.
  const std::string block = ExpectedRowBlock({SampleRow("N"), "1", kFirstRatings[0]});
  const std::string first_row = "<!--A-->\r\n<tr><td>1</td></tr>\r\n</tbody>";
  const struct {
    std::string before;
    std::string after;
  } cases[] = {
      {"<!-- saved from url=(0014)about:internet -->\r\n<html><tbody>\r\n", first_row},
      {"<head><!-- <tbody><!--B--> -->\r\n<script>var t='<tbody>';</script></head><tbody>\r\n",
       first_row},
      {"<tbody>\r\n<!-- my note -->\r\n", first_row},
      {"<head><!-- note -->\r\n<tbody>\r\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    RowList rows = Rows({"N"});
    RatingGenerator ratings;
    EXPECT_EQ(MergeRows(c.before + c.after, rows, ratings), c.before + block + c.after);
  }
}

TEST(KeyCommentIndexTest, AgreesWithAPlainSearchOnEveryDocument) {
  // Documents of comment pieces make nested, overlapping and unclosed comments common; half
  // the probed ids are cut out of the document itself, so present ids come up often.
  std::mt19937 random(20240601);
  const std::vector<std::string> pieces = {"<!--", "-->", "-", "--", "<", ">", "!", "a", "b"};
  auto document_text = [&] {
    std::string s;
    for (auto n = random() % 16; n > 0; --n) s += pieces[random() % pieces.size()];
    return s;
  };
  int present = 0;
  int probes = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string document = document_text();
    const KeyCommentIndex index(document);
    for (int probe = 0; probe < 8; ++probe, ++probes) {
      std::string id;
      if (probe % 2 == 0 && !document.empty()) {
        const std::size_t start = random() % document.size();
        id = document.substr(start, random() % 8);
      } else {
        for (auto n = random() % 3; n > 0; --n) id += pieces[random() % pieces.size()];
      }
      const bool expected = document.find("<!--" + id + "-->") != std::string::npos;
      ASSERT_EQ(index.Holds(id), expected) << "document " << document << " id " << id;
      ASSERT_EQ(DocumentHoldsOrder(document, id), expected);
      present += expected;
    }
  }
  // Both answers were met often, so the comparison means something either way.
  EXPECT_GT(present, probes / 50);
  EXPECT_LT(present, probes - probes / 50);
}

struct TableFolder {
  ScratchFolder folder;
  std::filesystem::path document = folder / kTableDocument;
  std::filesystem::path backup = folder / kTableBackup;
};

TEST(MergeIntoTableTest, KeepsTheOldTableAsBackupAndWritesTheMergedOne) {
  TableFolder table;
  const auto existing = ExistingRows({"A", "B", "C"});
  test::WriteBytes(table.document, ExpectedDocument(existing));
  test::WriteBytes(table.backup, "the backup of an earlier merge");
  RowList rows = Rows({"D", "E", "A"});
  RatingGenerator ratings;
  TableWriteError error;

  ASSERT_TRUE(MergeIntoTable(table.folder.path(), rows, ratings, &error));
  EXPECT_EQ(test::ReadBytes(table.document), ExpectedMerge({"D", "E"}, existing));
  EXPECT_EQ(test::ReadBytes(table.backup), ExpectedDocument(existing));
  EXPECT_EQ(rows, Rows({"D", "E"}));
  EXPECT_THAT(test::EntriesBesideAssets(table.folder.path()),
              ::testing::ElementsAre(kTableBackup, kTableDocument));
}

// The backup is the last good table before an update: one that adds nothing keeps it.
TEST(MergeIntoTableTest, NoNewOrderLeavesTheTableAndItsBackupAlone) {
  TableFolder table;
  const std::string old_table = ExpectedDocument(ExistingRows({"A", "B"}));
  test::WriteBytes(table.document, old_table);
  test::WriteBytes(table.backup, "the table before the last update");
  RowList rows = Rows({"B"});
  RatingGenerator ratings;
  TableWriteError error;
  ASSERT_TRUE(MergeIntoTable(table.folder.path(), rows, ratings, &error));
  EXPECT_EQ(test::ReadBytes(table.document), old_table);
  EXPECT_EQ(test::ReadBytes(table.backup), "the table before the last update");
  EXPECT_TRUE(rows.empty());
}

// Every case puts an obstacle in the merge's way; the merge must say so and leave every file
// (and so every row of the table) as it was.
TEST(MergeIntoTableTest, FailureLosesNothing) {
  const std::string old_table = ExpectedDocument(ExistingRows({"A", "B"}));
  const std::string old_backup = ExpectedDocument(ExistingRows({"A"}));
  const struct {
    const char* name;
    std::function<void(TableFolder&)> arrange;
  } cases[] = {
      {"document vanished", [&](TableFolder& t) { test::WriteBytes(t.backup, old_backup); }},
      {"document replaced by a folder",
       [&](TableFolder& t) {
         std::filesystem::create_directories(t.document / "inside");
         test::WriteBytes(t.backup, old_backup);
       }},
      {"backup name taken by a folder",
       [&](TableFolder& t) {
         test::WriteBytes(t.document, old_table);
         std::filesystem::create_directories(t.backup / "inside");
       }},
      {"a table without a body to put rows in",
       [&](TableFolder& t) {
         test::WriteBytes(t.document, "<html><!-- <tbody> --><p>my orders</p></html>");
         test::WriteBytes(t.backup, old_backup);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TableFolder table;
    c.arrange(table);
    std::map<std::string, std::string> files_before;
    for (const auto& name : test::FolderEntries(table.folder.path())) {
      if (std::filesystem::is_regular_file(table.folder / name)) {
        files_before[name] = test::ReadBytes(table.folder / name);
      }
    }
    const auto entries_before = test::FolderEntries(table.folder.path());
    RowList rows = Rows({"N", "A"});
    RatingGenerator ratings;
    TableWriteError error;

    EXPECT_FALSE(MergeIntoTable(table.folder.path(), rows, ratings, &error));
    EXPECT_EQ(test::EntriesBesideAssets(table.folder.path()), entries_before);
    for (const auto& [name, bytes] : files_before) {
      EXPECT_EQ(test::ReadBytes(table.folder / name), bytes) << name;
    }
  }
}

TEST(MergeIntoTableTest, AReadOnlyFolderKeepsTheTable) {
  if (!test::ReadOnlyFoldersRefuseWrites()) {
    GTEST_SKIP() << "read-only folders do not stop the super-user (or Windows) from writing";
  }
  TableFolder table;
  const std::string old_table = ExpectedDocument(ExistingRows({"A"}));
  test::WriteBytes(table.document, old_table);
  std::filesystem::permissions(
      table.folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  RowList rows = Rows({"N"});
  RatingGenerator ratings;
  TableWriteError error;
  EXPECT_FALSE(MergeIntoTable(table.folder.path(), rows, ratings, &error));
  EXPECT_EQ(test::ReadBytes(table.document), old_table);
  EXPECT_FALSE(std::filesystem::exists(table.backup));
}

}  // namespace
}  // namespace ordertable

#include "table/document_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "table/document.h"
#include "table/merge.h"
#include "table/rating.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::DocumentRow;
using test::SampleRow;
using ::testing::IsEmpty;

std::string Stars(std::string_view rating) {
  return "<span class='stars'>" + std::string(rating) + "</span>";
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

TEST(ReadTableRowsTest, ReadsBackEveryRowThatTheWriterAndTheMergeWrote) {
  RatingGenerator ratings;
  EXPECT_THAT(ReadTableRows(NewTableDocument({}, ratings)).rows, IsEmpty());

  const RowList old_rows = test::ExpectedRows(test::MakeOrders(30, 8012000000000010, 7));
  const std::string first = NewTableDocument(old_rows, ratings);
  RowList added = test::ExpectedRows(test::MakeOrders(15, 8012000000000000, 7));
  const std::string updated = MergeRows(first, added, ratings).value();
  ASSERT_EQ(added.size(), 10u);

  RowList expected = added;
  expected.insert(expected.end(), old_rows.begin(), old_rows.end());
  RatingGenerator drawn;  // the old rows drew the first 30 ratings, the added rows the next 10
  std::vector<std::string> sequence;
  for (int i = 0; i < 40; ++i) sequence.push_back(FormatNumber(drawn.NextRating()));

  const TableReading reading = ReadTableRows(updated);
  EXPECT_THAT(reading.unreadable, IsEmpty());
  ASSERT_EQ(reading.rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const TableRow& row = reading.rows[i];
    EXPECT_EQ(row.cells, expected[i]);
    EXPECT_EQ(row.number, std::to_string(i < 10 ? 10 - i : 40 - i));
    EXPECT_EQ(row.rating, Stars(sequence[i < 10 ? 30 + i : i - 10]));
    EXPECT_EQ(row.position, i + 1);
    EXPECT_EQ(row.line, 34 + 12 * i);
  }
}

TEST(ReadTableRowsTest, ReadsTheRowsThroughTheEditsOfAShoppersEditor) {
  std::vector<DocumentRow> rows = {
      {SampleRow("8012000000000003"), "3", "4.84"},
      {SampleRow("8012000000000002"), "2", "1"},
      {SampleRow("8012000000000001"), "1", ".66"},
  };
  rows[1].row.options = "";
  rows[2].row.description += "\xFF\xC3(";  // bytes that are not UTF-8 stay as they are
  const std::string document = test::ExpectedDocument(rows);
  using Edit = std::function<std::string(std::string)>;
  const struct {
    const char* name;
    Edit edit;
  } cases[] = {
      {"as written", [](std::string d) { return d; }},
      {"LF line ends", [](std::string d) { return Replaced(d, "\r\n", "\n"); }},
      {"CR line ends", [](std::string d) { return Replaced(d, "\r\n", "\r"); }},
      {"indented", [](std::string d) { return Replaced(d, "\r\n<", "\r\n\t  <"); }},
      {"blank lines", [](std::string d) { return Replaced(d, "\r\n", "\r\n \r\n"); }},
      {"one line", [](std::string d) { return Replaced(d, "\r\n", ""); }},
      {"tags in capitals",
       [](std::string d) {
         for (const char* tag : {"tr>", "td>", "th>"}) {
           std::string upper = tag;
           for (char& c : upper) c = static_cast<char>(std::toupper(c));
           d = Replaced(Replaced(d, std::string("<") + tag, "<" + upper), std::string("</") + tag,
                        "</" + upper);
         }
         return d;
       }},
      {"attributes",
       [](std::string d) {
         return Replaced(Replaced(d, "<tr>", "<tr class='done'>"), "<td>", "<td style=\"x\">");
       }},
      {"number cell closed with </td>",
       [](std::string d) { return Replaced(d, "</th>\r\n<td>2019", "</td>\r\n<td>2019"); }},
      {"no </tr>", [](std::string d) { return Replaced(d, "\r\n</tr>\r\n", "\r\n"); }},
      {"no <tr>", [](std::string d) { return Replaced(d, "-->\r\n<tr>\r\n", "-->\r\n"); }},
      {"notes in the rows",
       [](std::string d) {
         return Replaced(d, "</td>\r\n<td>Color", "</td><!-- gift </td> -->\r\n<td>Color");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TableReading reading = ReadTableRows(c.edit(document));
    EXPECT_THAT(reading.unreadable, IsEmpty());
    ASSERT_EQ(reading.rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(reading.rows[i].cells, rows[i].row);
      EXPECT_EQ(reading.rows[i].number, rows[i].number);
      EXPECT_EQ(reading.rows[i].rating, Stars(rows[i].rating));
    }
  }
}

// A '>' in a quoted attribute does not end the tag, and a note on a line of its own inside a
// cell is part of the cell: only a comment before a <tr> is the next row's key.
TEST(ReadTableRowsTest, QuotedAttributesAndNotesOnTheirOwnLinesStayInTheirCells) {
  const std::vector<DocumentRow> rows = {{SampleRow("8012000000000002"), "2", "1"},
                                         {SampleRow("8012000000000001"), "1", ".66"}};
  const std::string note = "Note\r\n<!-- a note -->\r\n";
  const TableReading reading = ReadTableRows(Replaced(test::ExpectedDocument(rows), "<td>Color",
                                                      "<td title='a>b' class=x>" + note + "Color"));
  EXPECT_THAT(reading.unreadable, IsEmpty());
  ASSERT_EQ(reading.rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(reading.rows[i].cells.options, note + rows[i].row.options);
    EXPECT_EQ(reading.rows[i].cells.store, rows[i].row.store);
  }
}

TEST(ReadTableRowsTest, NamesTheRowsItCannotReadAndReadsTheOthers) {
  std::vector<DocumentRow> rows;
  for (const char* id : {"A", "B", "C", "D", "E"}) {
    rows.push_back({SampleRow(id), std::to_string(5 - rows.size()), "1"});
  }
  std::string document = test::ExpectedDocument(rows);
  // Row B lost its status cell; of row D only the key comment is left.
  document = Replaced(document, "<td>Finished B</td>\r\n", "");
  const std::size_t d_rest = document.find("<!--D-->\r\n") + 10;
  document.erase(d_rest, document.find("<!--E-->") - d_rest);

  const TableReading reading = ReadTableRows(document);
  ASSERT_EQ(reading.rows.size(), 3u);
  EXPECT_EQ(reading.rows[0].cells, rows[0].row);
  EXPECT_EQ(reading.rows[1].cells, rows[2].row);
  EXPECT_EQ(reading.rows[2].cells, rows[4].row);
  EXPECT_EQ(reading.rows[1].position, 3u);
  EXPECT_EQ(reading.rows[2].line, 70u);
  ASSERT_EQ(reading.unreadable.size(), 2u);
  EXPECT_EQ(DescribeUnreadableRow(reading.unreadable[0]),
            "row 2 (#4, order B, line 46): it has 8 cells instead of 9");
  EXPECT_EQ(DescribeUnreadableRow(reading.unreadable[1]),
            "row 4 (order D, line 69): its key comment has no row after it");
}

}  // namespace
}  // namespace ordertable

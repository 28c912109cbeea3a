#include "spreadsheet/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/zip.h"

namespace ordertable {
namespace {

// Splits CSV text as RFC 4180 says (and as spreadsheets read it): fields between commas,
// quoted fields with doubled quotes, records ended by CR LF.
std::vector<std::vector<std::string>> ParseCsv(std::string_view csv) {
  std::vector<std::vector<std::string>> records(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().push_back(std::move(field));
      field.clear();
    } else if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      records.back().push_back(std::move(field));
      field.clear();
      records.emplace_back();
      ++i;
    } else {
      field += c;
    }
  }
  records.pop_back();  // after the last CR LF
  return records;
}

// The text a field was written from, failing the test for a field that could run: ="text"
// is a formula that holds nothing but that one string, and an apostrophe before a formula
// character keeps the spreadsheet from running it.
std::string Recovered(const std::string& field) {
  if (field.starts_with("=\"") && field.ends_with('"') && field.size() >= 3) {
    const std::string_view inner = std::string_view(field).substr(2, field.size() - 3);
    std::string text;
    for (std::size_t i = 0; i < inner.size(); ++i) {
      if (inner[i] == '"') {
        EXPECT_TRUE(i + 1 < inner.size() && inner[i + 1] == '"') << "formula: " << field;
        ++i;
      }
      text += inner[i];
    }
    return text;
  }
  const bool guarded = field.starts_with('\'');
  for (std::string_view start : {"=", "+", "-", "@", "\t", "\xEF\xBC\x9D"}) {
    EXPECT_FALSE(field.starts_with(start)) << "runs as a formula: " << field;
    if (guarded && field.substr(1).starts_with(start)) return field.substr(1);
  }
  return field;
}

TEST(CsvDocumentTest, EveryTextReadsBackAsWrittenAndNoneRunsAsAFormula) {
  const std::vector<std::string> texts = {
      "8012000000000010",
      "0012",
      "1/4",
      "12:30",
      "3e5",
      "TRUE",
      "(12)",
      "\xE2\x82\xAC"
      "12,34",
      "-2+3",
      "+1",
      "-",
      "=1+1",
      "@SUM(A1)",
      "\xEF\xBC\x9D"
      "1+1",
      "\t=1",
      "=HYPERLINK(\"http://attacker.example/\",\"Click\")",
      "a, b",
      "say \"hi\"",
      "two\nlines",
      " padded ",
      "US $12.34",
      "Caf\xC3\xA9",
      "",
      "'quoted'",
  };
  Sheet sheet;
  sheet.columns = {{"Order id", 10, false, true}, {"Title, \"long\"", 10}, {"Amount"}, {"Date"}};
  for (const std::string& text : texts) {
    sheet.lines.push_back({{CellKind::kText, text, 0},
                           {CellKind::kText, text, 0},
                           {CellKind::kNumber, "12.5", 12.5},
                           {CellKind::kDate, "2019-03-05", 43529}});
  }
  const std::string csv = CsvDocument(sheet);
  ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
  const auto records = ParseCsv(std::string_view(csv).substr(3));
  ASSERT_EQ(records.size(), texts.size() + 1);
  EXPECT_EQ(records[0],
            (std::vector<std::string>{"Order id", "Title, \"long\"", "Amount", "Date"}));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    const auto& fields = records[i + 1];
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(Recovered(fields[0]), texts[i]);
    EXPECT_EQ(Recovered(fields[1]), texts[i]);
    EXPECT_EQ(fields[2], "12.5");
    EXPECT_EQ(fields[3], "2019-03-05");
  }
  // An id, and text that a spreadsheet would turn into a number or a date, stay text.
  EXPECT_EQ(records[1][0], "=\"8012000000000010\"");
  EXPECT_EQ(records[1][1], "=\"8012000000000010\"");
  EXPECT_EQ(records[3][1], "=\"1/4\"");
  EXPECT_EQ(records[21][1], "US $12.34");
}

TEST(ZipArchiveTest, Crc32IsTheOneZipReadersCheck) {
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

}  // namespace
}  // namespace ordertable

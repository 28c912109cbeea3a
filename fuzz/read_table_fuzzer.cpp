// The table reader and the export on arbitrary documents. Input = [row count][one line per
// row, fields separated by 0x01][document], as for the merge.
// 1. The rows are written as a table and read back: every field, number and rating comes out
//    as it went in, as long as no field holds "<" (which could open a tag) and no order id a
//    ">" (which could end its key comment).
// 2. Whatever the document, each row the reader meets is read or named as unreadable, in
//    order; the spreadsheet made of the rows read holds only valid UTF-8 texts without
//    control characters (but line feeds), and no CSV field starts a formula other than ="…".

#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "spreadsheet/csv.h"
#include "spreadsheet/markup_text.h"
#include "spreadsheet/order_sheet.h"
#include "spreadsheet/xlsx.h"
#include "table/document.h"
#include "table/document_reader.h"
#include "table/rating.h"

namespace {

using namespace ordertable;

std::string Replaced(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out) {
    if (c == from) c = to;
  }
  return out;
}

OrderRow ReadRow(std::string_view line) {
  OrderRow row;
  for (std::string* field : {&row.order_id, &row.date, &row.price, &row.status, &row.image,
                             &row.description, &row.options, &row.store}) {
    *field = Replaced(fuzz::TakeUntil(line, '\x01'), '<', '[');
  }
  row.order_id = Replaced(row.order_id, '>', ']');
  return row;
}

void CheckRoundTrip(const RowList& rows) {
  RatingGenerator ratings;
  RatingGenerator expected_ratings = ratings;
  const TableReading reading = ReadTableRows(NewTableDocument(rows, ratings));
  FUZZ_CHECK(reading.unreadable.empty());
  FUZZ_CHECK(reading.rows.size() == rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FUZZ_CHECK(reading.rows[i].cells == rows[i]);
    FUZZ_CHECK(reading.rows[i].number == std::to_string(rows.size() - i));
    FUZZ_CHECK(reading.rows[i].rating ==
               "<span class='stars'>" + FormatNumber(expected_ratings.NextRating()) + "</span>");
  }
}

// The fields of a CSV text, by RFC 4180; each field checked as it ends.
void CheckCsvFields(std::string_view csv) {
  std::string field;
  bool quoted = false;
  const auto end_field = [&field] {
    if (!field.empty() && std::string_view("=+-@\t").find(field[0]) != std::string_view::npos) {
      // Only ="text" may start a formula, and only with nothing but that string inside.
      FUZZ_CHECK(field.size() >= 3 && field.starts_with("=\"") && field.ends_with('"'));
      const std::string_view inner = std::string_view(field).substr(2, field.size() - 3);
      for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"') FUZZ_CHECK(i + 1 < inner.size() && inner[++i] == '"');
      }
    }
    field.clear();
  };
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',' || c == '\n') {
      end_field();
    } else if (c != '\r') {
      field += c;
    }
  }
  FUZZ_CHECK(!quoted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string_view input = fuzz::AsText(data, size);
  const std::size_t row_count = static_cast<unsigned char>(input[0]) % 8;
  input.remove_prefix(1);
  RowList rows;
  for (std::size_t i = 0; i < row_count; ++i) rows.push_back(ReadRow(fuzz::TakeUntil(input, '\n')));
  CheckRoundTrip(rows);

  const std::string_view document = input;
  const TableReading reading = ReadTableRows(document);
  std::size_t read = 0;
  std::size_t unreadable = 0;
  std::size_t last_line = 0;
  for (std::size_t position = 1; position <= reading.rows.size() + reading.unreadable.size();
       ++position) {
    const bool is_read = read < reading.rows.size() && reading.rows[read].position == position;
    const std::size_t line =
        is_read ? reading.rows[read++].line : reading.unreadable.at(unreadable++).line;
    FUZZ_CHECK(line >= last_line && line >= 1);
    last_line = line;
  }
  FUZZ_CHECK(read == reading.rows.size() && unreadable == reading.unreadable.size());

  const Sheet sheet = OrderSheet(reading.rows);
  for (const auto& line : sheet.lines) {
    FUZZ_CHECK(line.size() == sheet.columns.size());
    for (const SheetCell& cell : line) {
      FUZZ_CHECK(ValidUtf8(cell.text) == cell.text);
      for (const char c : cell.text) {
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
      }
    }
  }
  const std::string csv = CsvDocument(sheet);
  FUZZ_CHECK(csv.starts_with("\xEF\xBB\xBF"));
  CheckCsvFields(std::string_view(csv).substr(3));
  FUZZ_CHECK(XlsxWorkbook(sheet).starts_with("PK\x03\x04"));
  return 0;
}

#include "spreadsheet/csv.h"

#include <string_view>

#include "orders/ascii.h"

namespace ordertable {
namespace {

// Excel refuses text constants longer than this in a formula.
constexpr std::size_t kLongestFormulaText = 255;

using ascii::IsDigit;

// True for text that a spreadsheet would read as a number, a date, a time, a percentage, an
// amount of money or a truth value instead of keeping it: "8012000000000010", "1/4",
// "12:30", "3e5", "(12)", "€12,34".
bool ReadsAsValue(std::string_view text) {
  if (text == "TRUE" || text == "FALSE" || text == "true" || text == "false") return true;
  bool digit = false;
  while (!text.empty()) {
    const char c = text.front();
    std::size_t length = 1;
    if (IsDigit(c)) {
      digit = true;
    } else if (std::string_view(" .,:/'()+-%eE$").find(c) == std::string_view::npos) {
      length = 0;
      for (std::string_view currency : {"\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5", "\xC2\xA0"}) {
        if (text.starts_with(currency)) length = currency.size();  // €, £, ¥, no-break space
      }
      if (length == 0) return false;
    }
    text.remove_prefix(length);
  }
  return digit;
}

// True for text that a spreadsheet would run as a formula: one starting with =, +, - or @,
// their full-width forms, or a tab or line break before them.
bool StartsFormula(std::string_view text) {
  if (text.empty()) return false;
  if (std::string_view("=+-@\t\r\n").find(text[0]) != std::string_view::npos) return true;
  for (std::string_view full_width :
       {"\xEF\xBC\x9D", "\xEF\xBC\x8B", "\xEF\xBC\x8D", "\xEF\xBC\xA0"}) {
    if (text.starts_with(full_width)) return true;
  }
  return false;
}

void AppendDoubledQuotes(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
}

// The text of a text cell as a spreadsheet must read it back, before CSV quoting.
std::string TextField(std::string_view text, bool keeps_text) {
  std::string field;
  if ((keeps_text || ReadsAsValue(text)) && !text.empty() && text.size() <= kLongestFormulaText) {
    field = "=\"";
    AppendDoubledQuotes(field, text);
    field += '"';
  } else {
    if (StartsFormula(text)) field = "'";
    field += text;
  }
  return field;
}

void AppendField(std::string& out, std::string_view field) {
  const bool quoted = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                      field.starts_with(' ') || field.ends_with(' ');
  if (!quoted) {
    out += field;
    return;
  }
  out += '"';
  AppendDoubledQuotes(out, field);
  out += '"';
}

}  // namespace

std::string CsvDocument(const Sheet& sheet) {
  std::string csv = "\xEF\xBB\xBF";
  for (const SheetColumn& column : sheet.columns) {
    if (&column != &sheet.columns.front()) csv += ',';
    AppendField(csv, column.title);
  }
  csv += "\r\n";
  for (const auto& line : sheet.lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (i > 0) csv += ',';
      const SheetCell& cell = line[i];
      if (cell.kind == CellKind::kText) {
        AppendField(csv, TextField(cell.text, sheet.columns[i].keeps_text));
      } else {
        csv += cell.text;  // numbers and dates: digits, "-" and "."
      }
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace ordertable

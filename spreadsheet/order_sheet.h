#pragma once

// The orders of a table as a spreadsheet: one line per row, the columns a shopper sums,
// filters and keeps, independent of the file format (csv.h, xlsx.h) it is written in.

#include <string>
#include <string_view>
#include <vector>

#include "table/document_reader.h"

namespace ordertable {

enum class CellKind { kText, kNumber, kDate };

/// One cell. Texts are valid UTF-8 with no control character but the line feed.
struct SheetCell {
  CellKind kind = CellKind::kText;
  /// The text; for numbers and dates the form a CSV gives them ("12.34", "2019-03-05").
  std::string text;
  /// The number; for a date the spreadsheet's day number (days since 1899-12-30).
  double number = 0;

  friend bool operator==(const SheetCell&, const SheetCell&) = default;
};

/// One column: its title in the header line and how a workbook shows it.
struct SheetColumn {
  std::string_view title;
  double width = 10;        ///< in characters
  bool multi_line = false;  ///< its cells hold one line per product
  /// Its texts must stay text even where they do not look like numbers (order ids).
  bool keeps_text = false;
};

/// A header line of column titles, then the lines.
struct Sheet {
  std::vector<SheetColumn> columns;
  std::vector<std::vector<SheetCell>> lines;  ///< each as long as `columns`
};

/// One line per table row, in table order: order id, date (a date where it reads as one),
/// price as shown, amount and currency (where the price reads as one), status, product
/// titles and product links (one line per product in the same order), options, store, store
/// link, picture link, rating (a number where it reads as one).
Sheet OrderSheet(const std::vector<TableRow>& rows);

}  // namespace ordertable

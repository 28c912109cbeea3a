#pragma once

// Reading the rows of a table document back, for the export to a spreadsheet. The reader
// relies on nothing but the row layout the writer uses (a key comment, then <tr>, nine cells,
// </tr>) and not on the head, the scripts or the exact line breaks, because a shopper may have
// edited the document by hand: a corrected rating, an editor that re-indented the lines or
// saved them with LF, a cell closed with </td> instead of </th>.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "orders/order_row.h"

namespace ordertable {

/// One row of the table as its cells hold it: the markup between each cell's tags, unchanged.
struct TableRow {
  OrderRow cells;            ///< the order id from the key comment, then the seven middle cells
  std::string number;        ///< the "#" cell
  std::string rating;        ///< the rating cell, "<span class='stars'>R</span>" as written
  std::size_t position = 0;  ///< the row's place in the table, 1 for the top row
  std::size_t line = 0;      ///< the document line where the row starts
};

/// A row the reader could not make out, for a person to find it.
struct UnreadableRow {
  std::size_t position = 0;  ///< counted with the readable rows, 1 for the top row
  std::size_t line = 0;
  std::string order_id;  ///< from its key comment; empty when it has none
  std::string number;    ///< its "#" cell when it has one
  std::string reason;    ///< "it has 8 cells instead of 9"
};

/// What the reader made of a document: the rows it read and the rows it could not.
struct TableReading {
  std::vector<TableRow> rows;
  std::vector<UnreadableRow> unreadable;
};

/// Reads every row of the table body, top to bottom. A row that does not have exactly nine
/// cells goes to `unreadable` and the rows after it are still read; header and footer rows
/// (all cells <th>) are passed over. Line breaks may be CR LF, LF or CR; tags are matched
/// without letter case and may carry attributes.
TableReading ReadTableRows(std::string_view document);

/// "row 7 (#3, order 8012000000000010, line 105): it has 8 cells instead of 9".
std::string DescribeUnreadableRow(const UnreadableRow& row);

}  // namespace ordertable

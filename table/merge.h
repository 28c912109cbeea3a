#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "orders/order_row.h"
#include "table/document.h"
#include "table/rating.h"

namespace ordertable {

/// True when `document` holds the key comment of `order_id`.
bool DocumentHoldsOrder(std::string_view document, std::string_view order_id);

/// Answers DocumentHoldsOrder for many orders of one document with a single pass over it.
class KeyCommentIndex {
 public:
  /// `document` must outlive the index.
  explicit KeyCommentIndex(std::string_view document);
  /// Same answer as DocumentHoldsOrder(document, order_id).
  bool Holds(std::string_view order_id) const;

 private:
  std::string_view document_;
  std::unordered_set<std::string_view> ids_;
};

/// Where new row blocks go, found by the table's structure: before the key comment of the
/// table's first row, else at the start of the table body (after <tbody>, or after the header
/// when a hand edit took <tbody> away), else before the footer. Comments and scripts are no
/// markup here, so a note in the head (or a browser's "saved from" line) is never taken for a
/// row. Nothing when the document has no place for rows. `line_break_first` is set when the
/// text before that place does not end a line, so the key comment still starts its own line.
struct InsertionPoint {
  std::size_t position = 0;
  bool line_break_first = false;
};
std::optional<InsertionPoint> FindInsertionPoint(std::string_view document);

/// A merged table document in three parts: the document up to the insertion point, the
/// blocks of the new rows, the rest of the document.
struct MergedTable {
  std::string_view before;
  std::string block;
  std::string_view after;
};

/// MergeRows without joining the parts, so a large table is not copied once more in memory.
/// Nothing when rows are to be added and the document has no place for them.
std::optional<MergedTable> MergeRowsInto(std::string_view document, RowList& rows,
                                         RatingGenerator& ratings);

/// Drops the rows whose order the document already holds and returns the document text with
/// the remaining rows' blocks inserted at the top of the table; nothing when rows are to be
/// added and the document has no place for them.
std::optional<std::string> MergeRows(std::string_view document, RowList& rows,
                                     RatingGenerator& ratings);

/// Adds to the table the rows whose order it lacks, at its top, keeping the table it had as
/// its backup; first puts back the missing assets when its head refers to the folder of assets
/// beside it. A table file is there at every instant. With no row to add, neither the table
/// nor its backup is touched. `rows` is left holding the rows added. False when the table
/// could not be written, with the reason and where the table now is in `*error` (every row it
/// held is still on disk).
bool MergeIntoTable(const TablePlaces& places, RowList& rows, RatingGenerator& ratings,
                    TableWriteError* error);

}  // namespace ordertable

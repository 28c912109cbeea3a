#pragma once

#include <filesystem>
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

/// Where new row blocks go: before the first "<!--"; in a document without one, after the
/// `<tbody>` line, else before `<tfoot>`, else at the end. `line_break_first` is set when the
/// text before that place does not end a line, so the key comment still starts its own line.
struct InsertionPoint {
  std::size_t position = 0;
  bool line_break_first = false;
};
InsertionPoint FindInsertionPoint(std::string_view document);

/// A merged table document in three parts: the document up to the insertion point, the
/// blocks of the new rows, the rest of the document.
struct MergedTable {
  std::string_view before;
  std::string block;
  std::string_view after;
};

/// MergeRows without joining the parts, so a large table is not copied once more in memory.
MergedTable MergeRowsInto(std::string_view document, RowList& rows, RatingGenerator& ratings);

/// Drops the rows whose order the document already holds and returns the document text
/// with the remaining rows' blocks inserted at the top of the table.
std::string MergeRows(std::string_view document, RowList& rows, RatingGenerator& ratings);

/// Moves the table document in `folder` aside as its backup and writes the merged
/// document, first putting back the missing assets when its head refers to the folder of
/// assets beside it; `rows` is left holding the rows added. False when the table could not be
/// written, with the reason and where the table now is in `*error` (every row it held is
/// still on disk).
bool MergeIntoTable(const std::filesystem::path& folder, RowList& rows, RatingGenerator& ratings,
                    TableWriteError* error);

}  // namespace ordertable

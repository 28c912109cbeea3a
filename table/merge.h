#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "orders/order_row.h"
#include "table/rating.h"

namespace ordertable {

/// True when `document` holds the key comment of `order_id`.
bool DocumentHoldsOrder(std::string_view document, std::string_view order_id);

/// Drops the rows whose order the document already holds and returns the document text
/// with the remaining rows' blocks inserted at the top of the table.
std::string MergeRows(std::string_view document, RowList& rows, RatingGenerator& ratings);

/// Moves the table document in `folder` aside as its backup and writes the merged
/// document; `rows` is left holding the rows added. False when the table could not be
/// written (every row it held is then still on disk).
bool MergeIntoTable(const std::filesystem::path& folder, RowList& rows, RatingGenerator& ratings);

}  // namespace ordertable

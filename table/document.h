#pragma once

#include <filesystem>
#include <string>

#include "orders/order_row.h"
#include "table/rating.h"

namespace ordertable {

/// The table document's name in the working folder.
inline constexpr const char* kTableDocument = "AliExpress Orders.html";
/// The previous content of the table document, kept by every merge.
inline constexpr const char* kTableBackup = "AliExpress Orders.bkp";

/// Decimal text with up to 15 significant digits, no trailing zeros, ".66" for fractions.
std::string FormatNumber(double value);

/// The 12-line block of one row (key comment first), every line ending in CR LF.
std::string RowBlock(const OrderRow& row, long long number, RatingGenerator& ratings);

/// Appends RowBlock(row, number, ratings) to `out`.
void AppendRowBlock(std::string& out, const OrderRow& row, long long number,
                    RatingGenerator& ratings);

/// Room that the row blocks of `rows` take, give or take a few bytes (to reserve it at once).
std::size_t RowBlocksSize(const RowList& rows);

/// The whole new table document for `rows`, numbered N down to 1.
std::string NewTableDocument(const RowList& rows, RatingGenerator& ratings);

/// Writes a new table document into `folder`; false when it could not be written.
bool WriteNewTable(const std::filesystem::path& folder, const RowList& rows,
                   RatingGenerator& ratings);

}  // namespace ordertable

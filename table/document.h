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
/// Where the table document is written before it takes its name (files::TemporaryFileFor),
/// so that a failure part way never leaves a half-written document in its place.
inline constexpr const char* kTableTemporary = "AliExpress Orders.tmp";

/// Where the table that was there before a failed write now is: no failed write loses it.
enum class TableKeptIn {
  kDocument,  ///< untouched, under its own name
  kBackup,    ///< moved aside as the backup, and could not be moved back
  kNowhere,   ///< there was no table
};

/// Why a write of the table failed, filled where it failed.
struct TableWriteError {
  std::string message;  ///< what could not be done, for a person: "... could not be written"
  TableKeptIn kept_in = TableKeptIn::kDocument;
};

/// True when `folder` holds a table document: any file of that name but a folder. A hidden
/// table is still the shopper's table, and a new table must never take its place unasked.
bool TableExists(const std::filesystem::path& folder);

/// Where the table of `folder` is kept when a write that did not touch it fails: in the
/// document if there is one, else in a backup left by an erase or an earlier merge.
TableKeptIn WhereTableIsKept(const std::filesystem::path& folder);

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

/// Writes a new table document into `folder`, atomically; false when it could not be
/// written, with the reason in `*error`.
bool WriteNewTable(const std::filesystem::path& folder, const RowList& rows,
                   RatingGenerator& ratings, TableWriteError* error);

}  // namespace ordertable

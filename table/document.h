#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "orders/order_row.h"
#include "table/places.h"
#include "table/rating.h"

namespace ordertable {

/// The table document's name in the working folder.
inline constexpr const char* kTableDocument = "AliExpress Orders.html";
/// The previous content of the table document, kept by every merge.
inline constexpr const char* kTableBackup = "AliExpress Orders.bkp";
/// The one temporary file of the table that earlier versions wrote, under this fixed name; a
/// run stopped part way may have left it (see PutBackInterruptedTable).
inline constexpr const char* kTableTemporary = "AliExpress Orders.tmp";
/// On Windows, the file that holds a run's lock on the table's folder while it lasts.
inline constexpr const char* kTableLock = "AliExpress Orders.lock";

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
  bool in_assets = false;  ///< the folder of assets beside the table failed, not the document
  bool folder_in_the_way = false;  ///< a folder has the table document's name
};

/// True when there is a table document: any file of that name but a folder. A hidden table
/// is still the shopper's table, and a new table must never take its place unasked.
bool TableExists(const TablePlaces& places);

/// Where the table is kept when a write that did not touch it fails: in the document if there
/// is one, else in a backup left by an erase or an earlier merge.
TableKeptIn WhereTableIsKept(const TablePlaces& places);

/// A run that was stopped after moving the table aside and before putting the new one in its
/// place (as earlier versions did it) leaves no table but a temporary file beside it: puts the
/// table back, from that file when it holds a whole table, else from the backup. What it did,
/// for a person; empty when there was nothing to put back. Call it with the folder locked.
std::string PutBackInterruptedTable(const TablePlaces& places);

/// What is in the way when a folder has the table document's name: for a person, or empty.
std::string FolderInTheWay(const TablePlaces& places);

/// Decimal text with up to 15 significant digits, no trailing zeros, ".66" for fractions.
std::string FormatNumber(double value);

/// The 12-line block of one row (key comment first), every line ending in CR LF.
std::string RowBlock(const OrderRow& row, long long number, RatingGenerator& ratings);

/// Appends RowBlock(row, number, ratings) to `out`.
void AppendRowBlock(std::string& out, const OrderRow& row, long long number,
                    RatingGenerator& ratings);

/// Room that the row blocks of `rows` take, give or take a few bytes (to reserve it at once).
std::size_t RowBlocksSize(const RowList& rows);

/// The asset host this program was built with; empty when new tables refer to the folder of
/// assets beside them (kAssetFolder) instead.
std::string_view BuiltAssetHost();

/// The whole new table document for `rows`, numbered N down to 1, whose head loads the
/// table's stylesheets, scripts and star picture from `asset_host`, or from the folder beside
/// the table when it is empty.
std::string NewTableDocument(const RowList& rows, RatingGenerator& ratings,
                             std::string_view asset_host = BuiltAssetHost());

/// Writes a new table document, atomically, and with an empty `asset_host` the assets beside it
/// first (those missing or different); false when either could not be written, with the
/// reason in `*error`. The document is then left as it was.
bool WriteNewTable(const TablePlaces& places, const RowList& rows, RatingGenerator& ratings,
                   TableWriteError* error, std::string_view asset_host = BuiltAssetHost());

}  // namespace ordertable

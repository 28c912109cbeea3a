#pragma once

#include <optional>

#include "builder/table_build.h"
#include "orders/order_list.h"
#include "orders/order_row.h"
#include "table/places.h"

namespace ordertable {

/// What a capture of the order list gives, for a new table or an update.
enum class CaptureVerdict {
  kNoReply,  ///< no order-list reply at all: not a capture
  kRefused,  ///< every reply was refused (the session expired): no order
  /// the list was not read to its end (and an update reaches no order of the table), or pages
  /// of it are missing before the last one read
  kIncomplete,
  kWholeList,     ///< a new table, or an update that reached the list's end without a known order
  kReachesTable,  ///< an update that reaches an order of the table: the orders above it are new
  kUnreadable,    ///< the text stops being JSON part way (a HAR cut short): read nothing of it
  kFiltered,      ///< every good reply is of one tab, time span or search, not the whole list
};

/// True for the verdicts that can be built.
constexpr bool Buildable(CaptureVerdict verdict) {
  return verdict == CaptureVerdict::kWholeList || verdict == CaptureVerdict::kReachesTable;
}

/// Judges `capture` against the table document, for a new table or an update.
CaptureVerdict JudgeCapture(const TablePlaces& places, const OrderListCapture& capture,
                            bool update_mode);

/// The rows a build takes from the cached capture: every order for a new table, the orders
/// above the first one the table holds for an update. The failure when it cannot be read or
/// is not a capture that builds (see JudgeCapture), saying the table is `kept_in`; nothing on
/// success.
std::optional<BuildOutcome> RowsOfStoredCapture(const TablePlaces& places, bool update_mode,
                                                TableKeptIn kept_in, RowList& rows);

}  // namespace ordertable

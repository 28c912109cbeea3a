#pragma once

#include <filesystem>
#include <optional>

#include "builder/table_build.h"
#include "orders/order_list.h"
#include "orders/order_row.h"

namespace ordertable {

/// What a capture of the order list gives in a folder, for a new table or an update.
enum class CaptureVerdict {
  kNoReply,  ///< no order-list reply at all: not a capture
  kRefused,  ///< every reply was refused (the session expired): no order
  /// the list was not read to its end (and an update reaches no order of the table), or pages
  /// of it are missing before the last one read
  kIncomplete,
  kWholeList,     ///< a new table, or an update that reached the list's end without a known order
  kReachesTable,  ///< an update that reaches an order of the table: the orders above it are new
};

/// Judges `capture` against the table document of `folder`. Only kWholeList and kReachesTable
/// can be built.
CaptureVerdict JudgeCapture(const std::filesystem::path& folder, const OrderListCapture& capture,
                            bool update_mode);

/// The rows a build takes from the cached capture of `folder`: every order for a new table,
/// the orders above the first one the table holds for an update. The failure when it cannot
/// be read or is not a capture that builds (see JudgeCapture); nothing on success.
std::optional<BuildOutcome> RowsOfStoredCapture(const std::filesystem::path& folder,
                                                bool update_mode, RowList& rows);

}  // namespace ordertable

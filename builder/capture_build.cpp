#include "builder/capture_build.h"

#include <string>

#include "files/files.h"
#include "orders/order_list_rows.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable {

CaptureVerdict JudgeCapture(const std::filesystem::path& folder, const OrderListCapture& capture,
                            bool update_mode) {
  if (capture.replies == 0) return CaptureVerdict::kNoReply;
  if (capture.answered == 0) return CaptureVerdict::kRefused;
  // Orders are missing before a page read: some of them may be new, or the older ones for good.
  if (capture.page_missing || capture.first_page > 1) return CaptureVerdict::kIncomplete;
  if (update_mode) {
    const RowList rows = RowsOfCapture(capture);
    if (FirstRowInTable(folder, rows) < rows.size()) return CaptureVerdict::kReachesTable;
  }
  // A list cut short would make a table that lacks the older orders for good: an update
  // stops at the first order it knows, so it would never add them.
  return capture.reaches_end ? CaptureVerdict::kWholeList : CaptureVerdict::kIncomplete;
}

std::optional<BuildOutcome> RowsOfStoredCapture(const std::filesystem::path& folder,
                                                bool update_mode, RowList& rows) {
  const auto failed = [&folder](BuildFailure failure, std::string message) {
    return BuildOutcome{BuildResult::kFailed, 0, failure, WhereTableIsKept(folder),
                        std::move(message)};
  };
  std::optional<std::string> text = files::ReadWholeFile(StoredCaptureFile(folder));
  if (!text) {
    return failed(BuildFailure::kPageUnreadable,
                  "the cached capture " + StoredCaptureName() + " could not be read");
  }
  const OrderListCapture capture = ReadOrderListCapture(std::move(*text));
  switch (JudgeCapture(folder, capture, update_mode)) {
    case CaptureVerdict::kNoReply:
    case CaptureVerdict::kRefused:
      return failed(BuildFailure::kCaptureUnusable,
                    "the cached capture " + StoredCaptureName() + " holds no order list");
    case CaptureVerdict::kIncomplete:
      return failed(BuildFailure::kCaptureUnusable,
                    "the cached capture " + StoredCaptureName() +
                        " does not reach the end of the order list" +
                        (update_mode ? " nor an order of the table" : ""));
    case CaptureVerdict::kWholeList:
    case CaptureVerdict::kReachesTable:
      break;
  }
  rows = RowsOfCapture(capture);
  if (update_mode) rows.resize(FirstRowInTable(folder, rows));
  return std::nullopt;
}

}  // namespace ordertable

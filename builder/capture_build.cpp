#include "builder/capture_build.h"

#include <string>

#include "files/files.h"
#include "orders/order_list_rows.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable {
namespace {

// The verdict on `capture`, whose rows are `rows`; for an update, `*first_known` is set to the
// place of the first row the table holds (rows.size() when none).
CaptureVerdict Judge(const TablePlaces& places, const OrderListCapture& capture, bool update_mode,
                     const RowList& rows, std::size_t* first_known) {
  if (capture.replies == 0) {
    return capture.fault == OrderListCapture::Fault::kNone ? CaptureVerdict::kNoReply
                                                           : CaptureVerdict::kUnreadable;
  }
  if (capture.answered == 0) return CaptureVerdict::kRefused;
  // Another tab's or a search's replies end early: they can neither make nor end the list.
  if (capture.answered == capture.filtered) return CaptureVerdict::kFiltered;
  // Orders are missing before a page read: some of them may be new, or the older ones for good.
  if (capture.page_missing || capture.first_page > 1) return CaptureVerdict::kIncomplete;
  if (update_mode) {
    *first_known = FirstRowInTable(places, rows);
    if (*first_known < rows.size()) return CaptureVerdict::kReachesTable;
  }
  // A list cut short would make a table that lacks the older orders for good: an update
  // stops at the first order it knows, so it would never add them.
  return capture.reaches_end ? CaptureVerdict::kWholeList : CaptureVerdict::kIncomplete;
}

}  // namespace

CaptureVerdict JudgeCapture(const TablePlaces& places, const OrderListCapture& capture,
                            bool update_mode) {
  std::size_t first_known = 0;
  return Judge(places, capture, update_mode, update_mode ? RowsOfCapture(capture) : RowList{},
               &first_known);
}

std::optional<BuildOutcome> RowsOfStoredCapture(const TablePlaces& places, bool update_mode,
                                                TableKeptIn kept_in, RowList& rows) {
  const auto failed = [kept_in](BuildFailure failure, std::string message) {
    return BuildOutcome{BuildResult::kFailed, 0, failure, kept_in, std::move(message), true};
  };
  std::string reason;
  std::optional<std::string> text = files::ReadWholeFile(places.stored_capture, &reason);
  if (!text) {
    return failed(BuildFailure::kPageUnreadable,
                  "the cached capture " + StoredCaptureName() + " could not be read: " + reason);
  }
  const OrderListCapture capture = ReadOrderListCapture(std::move(*text));
  // The rows and the table are read once, for the verdict and for the build.
  rows = RowsOfCapture(capture);
  std::size_t first_known = rows.size();
  switch (Judge(places, capture, update_mode, rows, &first_known)) {
    case CaptureVerdict::kNoReply:
    case CaptureVerdict::kRefused:
    case CaptureVerdict::kUnreadable:
    case CaptureVerdict::kFiltered:
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
  rows.resize(first_known);
  return std::nullopt;
}

}  // namespace ordertable

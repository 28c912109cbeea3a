#include "builder/import_plan.h"

#include <utility>

#include "orders/page_files.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable {

std::optional<TableRun> BeginTableRun(const TablePlaces& places, int wait_ms, std::string* message,
                                      bool* busy) {
  files::FolderLock::Failure failure = files::FolderLock::Failure::kNone;
  std::string reason;
  std::optional<files::FolderLock> lock =
      files::FolderLock::Acquire(places.folder, kTableLock, wait_ms, &failure, &reason);
  *busy = failure == files::FolderLock::Failure::kBusy;
  if (!lock) {
    *message = *busy ? std::string("another run of OrderTable is working on \"") + kTableDocument +
                           "\" in this folder; try again when it has ended"
                     : "the folder of \"" + std::string(kTableDocument) +
                           "\" could not be locked for this run: " + reason;
    return std::nullopt;
  }
  TableRun run{std::move(*lock), PutBackInterruptedTable(places)};
  files::RemoveStaleTemporaryFiles(places.folder);
  files::RemoveStaleTemporaryFiles(places.cache);
  // Once the table is in its place, the fixed-name temporary file of earlier versions is
  // nothing but a stale copy.
  if (files::IsFile(places.document)) files::RemoveFile(places.folder / kTableTemporary);
  return run;
}

void ImportPlan::NotePageCount(const PageCounter& counter) {
  // A count below 1 is no count: it stays unread, as when the counter has no digits after its
  // "/", so that a later page can name it. Taken as read, it would never be reached and no
  // build could ever start.
  if (page_count_ == 0 && counter.total > 0) page_count_ = counter.total;
}

ImportPlan::PageStep ImportPlan::TakePage(std::string_view page_text, std::int64_t number) {
  if (number != pages_taken_ + 1) return PageStep::kWrongPage;
  const auto page = static_cast<int>(number);
  // A page whose file cannot be written is not taken, or its orders would be missing from a
  // table reported as complete.
  if (!WriteCachedPage(places_.folder, page, page_text)) return PageStep::kNotSaved;
  pages_taken_ = number;
  if (update_mode_ && PageOverlapsTable(places_, page)) return PageStep::kReachesTable;
  return pages_taken_ == page_count_ ? PageStep::kLast : PageStep::kNext;
}

bool ImportPlan::CachedPagesFormTheList() const {
  // Only before a page is taken, and only pages that all belong to this list: pages left by
  // a capture over another page size would mix two lists in one table.
  return pages_taken_ == 0 && CachedPagesFormOneList(places_.folder, page_count_);
}

ImportPlan::PageStep ImportPlan::TakeCachedPages() {
  pages_taken_ = page_count_;
  const auto last = static_cast<int>(page_count_);
  return update_mode_ && PageOverlapsTable(places_, last) ? PageStep::kReachesTable
                                                          : PageStep::kLast;
}

void ImportPlan::DropPagesNotTaken() const { RemoveCachedPagesAfter(places_.folder, pages_taken_); }

CaptureVerdict ImportPlan::JudgeCapture(const OrderListCapture& capture) const {
  return ordertable::JudgeCapture(places_, capture, update_mode_);
}

bool ImportPlan::StoreCapture(const OrderListCapture& capture, std::string* reason) {
  // The cached pages of an earlier capture would be built in place of the new orders.
  ClearCacheFolder(places_.folder);
  if (!files::WriteFileAtomically(places_.stored_capture, {StoredCaptureText(capture)}, reason)) {
    return false;
  }
  pages_taken_ = capture.pages;
  unreadable_orders_ = capture.unreadable_orders;
  return true;
}

std::string CaptureProblem(CaptureVerdict verdict, const OrderListCapture& capture,
                           bool update_mode) {
  const std::string what = capture.fault_in_har ? "the HAR" : "the reply";
  switch (verdict) {
    case CaptureVerdict::kNoReply:
      return "it holds no order-list reply";
    case CaptureVerdict::kUnreadable:
      return capture.fault == OrderListCapture::Fault::kCutShort
                 ? what + " is cut short at byte " + std::to_string(capture.fault_at) +
                       ": save or copy it again"
                 : what + " is not valid JSON at byte " + std::to_string(capture.fault_at + 1) +
                       ": save or copy it again";
    case CaptureVerdict::kRefused:
      return "every order-list reply in it was refused (the session had expired): log in, "
             "reload the order page and capture it again";
    case CaptureVerdict::kFiltered:
      return "it holds only replies of one tab, time span or search of the order list, not the "
             "whole list: choose \"View all\" and all time, clear the search box, then capture "
             "again";
    case CaptureVerdict::kIncomplete:
      if (capture.page_missing || capture.first_page > 1) {
        return "pages of the order list are missing before page " +
               std::to_string(capture.last_page) +
               " (a reply without its text, or reply files given out of order): give the "
               "replies from page 1 on, in their order, or capture again";
      }
      return std::string("the capture ends before the end of the order list") +
             (update_mode ? " and reaches no order of the table" : "") +
             ": click \"View orders\" under the list until it disappears, then capture again";
    case CaptureVerdict::kWholeList:
    case CaptureVerdict::kReachesTable:
      break;
  }
  return {};
}

}  // namespace ordertable

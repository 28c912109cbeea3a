#pragma once

// The rules of an import, followed alike by the wizard (pages copied one at a time, a capture
// from the clipboard) and by the command line (files given at once): which pages or which
// capture make a table, where they wait for the build, and when the build starts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "builder/capture_build.h"
#include "builder/table_build.h"
#include "files/files.h"
#include "orders/order_list.h"
#include "orders/text.h"
#include "table/places.h"

namespace ordertable {

/// How long the command line waits for another run to let go of the folder.
inline constexpr int kLockWaitMs = 5000;

/// One run's hold on the table's folder: taken before the run reads the table or touches its
/// cached pages, kept until the table is written. A second run waits, then says it is busy.
struct TableRun {
  files::FolderLock lock;
  /// What the start of the run put right (a table put back after a run that stopped part
  /// way), for a person; empty when all was in order.
  std::string note;
};

/// Takes the folder's lock, waiting up to `wait_ms` for another run; then puts back a table
/// that a stopped run left only as a temporary file or backup, and removes the temporary
/// files of runs that ended. Nothing when the folder is busy or cannot be locked: `*message`
/// says which, for a person, and `*busy` whether another run holds it.
std::optional<TableRun> BeginTableRun(const TablePlaces& places, int wait_ms, std::string* message,
                                      bool* busy);

/// One import into the table of a folder, as a new table or as an update.
class ImportPlan {
 public:
  ImportPlan(TablePlaces places, bool update_mode)
      : places_(std::move(places)), update_mode_(update_mode) {}

  const TablePlaces& places() const { return places_; }
  bool update_mode() const { return update_mode_; }

  // Pages of the older order list, saved or copied, in the list's order.

  /// What became of a page offered to TakePage.
  enum class PageStep {
    kNext,          ///< kept; the next page is wanted
    kLast,          ///< kept; it completes the list: build a new table (or the whole update)
    kReachesTable,  ///< kept; it holds an order of the table: update with the pages so far
    kWrongPage,     ///< not the page wanted next: nothing kept
    kNotSaved,      ///< its cached page file could not be written: nothing kept
  };

  /// Takes the list's page count from the first page that names one.
  void NotePageCount(const PageCounter& counter);
  /// Keeps `page_text` (cleaned) as the cached page file of page `number` when it is the page
  /// wanted next, and says what comes next.
  PageStep TakePage(std::string_view page_text, std::int64_t number);
  /// The cached pages of an earlier capture of this run hold the whole list (every page 1 to
  /// the count, each saying so): it can be built again without copying a page.
  bool CachedPagesFormTheList() const;
  /// Takes those cached pages as this capture's; the build follows (kLast, or kReachesTable
  /// for an update whose last page holds an order of the table).
  PageStep TakeCachedPages();
  std::int64_t page_count() const { return page_count_; }
  std::int64_t pages_taken() const { return pages_taken_; }
  /// Makes the cached pages exactly those taken, for the build to read.
  void DropPagesNotTaken() const;

  // A capture of today's order list.

  /// The verdict on `capture` for this import: only kWholeList and kReachesTable build.
  CaptureVerdict JudgeCapture(const OrderListCapture& capture) const;
  /// Keeps the orders of `capture` (and nothing of the shopper's session) as the cached
  /// capture, in place of any cached pages; false with the system's `*reason`.
  bool StoreCapture(const OrderListCapture& capture, std::string* reason);
  /// Orders of the capture that could not be read (no order id) and so are not in the table.
  int unreadable_orders() const { return unreadable_orders_; }

  /// Builds the table from what was kept; the caller holds the folder (BeginTableRun).
  BuildOutcome Build() const { return RunTableBuild(places_, update_mode_); }

 private:
  TablePlaces places_;
  bool update_mode_;
  std::int64_t page_count_ = 0;  // 0: no page has named it yet
  std::int64_t pages_taken_ = 0;
  int unreadable_orders_ = 0;
};

/// Why `capture` cannot be built (`verdict` is not Buildable), with what to do, for a person:
/// "the capture ends before the end of the order list: click ...".
std::string CaptureProblem(CaptureVerdict verdict, const OrderListCapture& capture,
                           bool update_mode);

}  // namespace ordertable

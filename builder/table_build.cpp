#include "builder/table_build.h"

#include <limits>
#include <new>
#include <optional>
#include <string>

#include "builder/capture_build.h"
#include "files/files.h"
#include "orders/extract.h"
#include "orders/order_row.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/merge.h"
#include "table/rating.h"

namespace ordertable {
namespace {

BuildOutcome Failed(BuildFailure failure, TableKeptIn kept_in, std::string message) {
  return {BuildResult::kFailed, 0, failure, kept_in, std::move(message)};
}

// The orders of the cached page files, read in page order.
std::optional<BuildOutcome> RowsOfCachedPages(const TablePlaces& places, TableKeptIn kept_in,
                                              RowList& rows) {
  const int pages = CountCachedPages(places.folder);
  if (pages == 0) {
    return BuildOutcome{BuildResult::kNoPages, 0, BuildFailure::kNone, kept_in,
                        "no cached page file: " + CachedPageName(1) + " does not exist"};
  }

  for (int page = 1; page <= pages; ++page) {
    // A page that is there but cannot be read (held open elsewhere, no permission) would leave
    // its orders out of a table announced as complete; an update would then stop at the
    // orders after them ever after, so they would never be added.
    std::string reason;
    const std::optional<std::string> bytes =
        files::ReadWholeFile(CachedPageFile(places.folder, page), &reason);
    if (!bytes) {
      return Failed(
          BuildFailure::kPageUnreadable, kept_in,
          "the cached page file " + CachedPageName(page) + " could not be read: " + reason);
    }
    ExtractRows(*bytes, rows);
  }
  return std::nullopt;
}

BuildOutcome Build(const TablePlaces& places, bool update_mode, TableKeptIn kept_in,
                   bool from_capture) {
  // A folder in the table's place is said once, before anything is read.
  if (std::string in_the_way = FolderInTheWay(places); !in_the_way.empty()) {
    return Failed(BuildFailure::kFolderInTheWay, kept_in, std::move(in_the_way));
  }
  // A capture of the order list is kept only when it is to be built: it stands for the pages.
  RowList rows;
  const std::optional<BuildOutcome> failure =
      from_capture ? RowsOfStoredCapture(places, update_mode, kept_in, rows)
                   : RowsOfCachedPages(places, kept_in, rows);
  if (failure) return *failure;

  RatingGenerator& ratings = ProcessRatingGenerator();
  TableWriteError error;
  const bool written = update_mode ? MergeIntoTable(places, rows, ratings, &error)
                                   : WriteNewTable(places, rows, ratings, &error);
  // Nothing was written on failure, so no row counts as written or added.
  if (!written) {
    const BuildFailure cause = error.folder_in_the_way ? BuildFailure::kFolderInTheWay
                               : error.in_assets       ? BuildFailure::kAssetsUnwritable
                                                       : BuildFailure::kTableUnwritable;
    return Failed(cause, error.kept_in, std::move(error.message));
  }
  const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return {BuildResult::kDone, static_cast<int>(rows.size() < limit ? rows.size() : limit)};
}

}  // namespace

BuildOutcome RunTableBuild(const TablePlaces& places, bool update_mode) {
  // Where the table is when nothing was written, found once; every file is written whole or
  // not at all, so after an exception too the table is where it was.
  TableKeptIn kept_in = TableKeptIn::kDocument;
  bool from_capture = false;
  BuildOutcome outcome;
  try {
    kept_in = WhereTableIsKept(places);
    from_capture = files::IsOrdinaryFile(places.stored_capture);
    outcome = Build(places, update_mode, kept_in, from_capture);
  } catch (const std::bad_alloc&) {
    outcome = Failed(BuildFailure::kOutOfMemory, kept_in, "out of memory");
  } catch (const std::exception& error) {
    outcome = Failed(BuildFailure::kTableUnwritable, kept_in, error.what());
  }
  outcome.from_capture = from_capture;
  return outcome;
}

}  // namespace ordertable

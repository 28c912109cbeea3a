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
std::optional<BuildOutcome> RowsOfCachedPages(const std::filesystem::path& folder, RowList& rows) {
  const int pages = CountCachedPages(folder);
  if (pages == 0) {
    return BuildOutcome{BuildResult::kNoPages, 0, BuildFailure::kNone, WhereTableIsKept(folder),
                        "no cached page file: " + CachedPageName(1) + " does not exist"};
  }

  for (int page = 1; page <= pages; ++page) {
    // A page that is there but cannot be read (held open elsewhere, no permission) would leave
    // its orders out of a table announced as complete; an update would then stop at the
    // orders after them ever after, so they would never be added.
    const std::optional<std::string> bytes = files::ReadWholeFile(CachedPageFile(folder, page));
    if (!bytes) {
      return Failed(BuildFailure::kPageUnreadable, WhereTableIsKept(folder),
                    "the cached page file " + CachedPageName(page) + " could not be read");
    }
    ExtractRows(*bytes, rows);
  }
  return std::nullopt;
}

BuildOutcome Build(const std::filesystem::path& folder, bool update_mode) {
  // A capture of the order list is kept only when it is to be built: it stands for the pages.
  RowList rows;
  const std::optional<BuildOutcome> failure = files::IsOrdinaryFile(StoredCaptureFile(folder))
                                                  ? RowsOfStoredCapture(folder, update_mode, rows)
                                                  : RowsOfCachedPages(folder, rows);
  if (failure) return *failure;

  RatingGenerator& ratings = ProcessRatingGenerator();
  TableWriteError error;
  const bool written = update_mode ? MergeIntoTable(folder, rows, ratings, &error)
                                   : WriteNewTable(folder, rows, ratings, &error);
  // Nothing was written on failure, so no row counts as written or added.
  if (!written) {
    return Failed(
        error.in_assets ? BuildFailure::kAssetsUnwritable : BuildFailure::kTableUnwritable,
        error.kept_in, std::move(error.message));
  }
  const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return {BuildResult::kDone, static_cast<int>(rows.size() < limit ? rows.size() : limit)};
}

// Every file is written whole or not at all, so after an exception the table is where it was.
BuildOutcome Stopped(const std::filesystem::path& folder, BuildFailure failure,
                     const char* message) {
  TableKeptIn kept_in = TableKeptIn::kDocument;
  try {
    kept_in = WhereTableIsKept(folder);
  } catch (...) {
  }
  return Failed(failure, kept_in, message);
}

}  // namespace

BuildOutcome RunTableBuild(const std::filesystem::path& folder, bool update_mode) {
  try {
    return Build(folder, update_mode);
  } catch (const std::bad_alloc&) {
    return Stopped(folder, BuildFailure::kOutOfMemory, "out of memory");  // short: no allocation
  } catch (const std::exception& error) {
    return Stopped(folder, BuildFailure::kTableUnwritable, error.what());
  }
}

}  // namespace ordertable

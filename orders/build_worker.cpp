#include "orders/build_worker.h"

#include <limits>
#include <optional>
#include <string>

#include "orders/extract.h"
#include "orders/file_io.h"
#include "orders/order_row.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/merge.h"
#include "table/rating.h"

namespace ordertable {

BuildOutcome RunTableBuild(const std::filesystem::path& folder, bool update_mode) {
  const int pages = CountCachedPages(folder);
  if (pages == 0) return {BuildResult::kNoPages, 0};

  RowList rows;
  for (int page = 1; page <= pages; ++page) {
    // A page that is there but cannot be read (held open elsewhere, no permission) would leave
    // its orders out of a table announced as complete; an update would then stop at the
    // orders after them ever after, so they would never be added.
    const std::optional<std::string> bytes = ReadWholeFile(CachedPageFile(folder, page));
    if (!bytes) return {BuildResult::kWriteFailed, 0};
    ExtractRows(*bytes, rows);
  }

  RatingGenerator& ratings = ProcessRatingGenerator();
  const bool written =
      update_mode ? MergeIntoTable(folder, rows, ratings) : WriteNewTable(folder, rows, ratings);
  // Nothing was written on failure, so no row counts as written or added.
  if (!written) return {BuildResult::kWriteFailed, 0};
  const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return {BuildResult::kDone, static_cast<int>(rows.size() < limit ? rows.size() : limit)};
}

}  // namespace ordertable

#pragma once

#include <filesystem>

namespace ordertable {

/// How a table build ended; the values double as the worker thread's exit code, so none
/// is 0 or 259 (the platform's "still running").
enum class BuildResult : int {
  kDone = 1,         ///< the table document was written or merged
  kNoPages = 2,      ///< no cached page file: nothing read or written
  kWriteFailed = 3,  ///< the document (or its backup) could not be written, or a cached page
                     ///< file could not be read; nothing was written and no row lost
};

struct BuildOutcome {
  BuildResult result = BuildResult::kNoPages;
  int row_count = 0;  ///< rows written (new table) or added (update); unset for kNoPages
};

/// Reads the cached page files in `folder`/tmp and writes or merges the table document.
BuildOutcome RunTableBuild(const std::filesystem::path& folder, bool update_mode);

}  // namespace ordertable

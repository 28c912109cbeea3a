#pragma once

#include <filesystem>
#include <string>

#include "table/document.h"

namespace ordertable {

/// How a table build ended; the values double as the worker thread's exit code, so none
/// is 0 or 259 (the platform's "still running").
enum class BuildResult : int {
  kDone = 1,     ///< the table document was written or merged
  kNoPages = 2,  ///< no cached page file: nothing read or written
  kFailed = 3,   ///< the table was not written or changed, no row lost; `failure` says why
};

/// Why a build failed.
enum class BuildFailure {
  kNone,
  kPageUnreadable,    ///< a cached page file (or the cached capture) exists but cannot be read
  kCaptureUnusable,   ///< the cached capture is refused or incomplete (see JudgeCapture)
  kTableUnwritable,   ///< the table document, its backup or its temporary file
  kAssetsUnwritable,  ///< the folder of assets beside the table or a file in it
  kOutOfMemory,
};

struct BuildOutcome {
  BuildResult result = BuildResult::kNoPages;
  int row_count = 0;  ///< rows written (new table) or added (update); 0 unless kDone
  BuildFailure failure = BuildFailure::kNone;
  /// For kFailed: where the table that was there before is.
  TableKeptIn kept_in = TableKeptIn::kDocument;
  /// For kFailed: what could not be done, for a person, filled where it failed.
  std::string message = {};
};

/// Reads the cached capture in `folder`/tmp, or else its cached page files, and writes or
/// merges the table document.
BuildOutcome RunTableBuild(const std::filesystem::path& folder, bool update_mode);

}  // namespace ordertable

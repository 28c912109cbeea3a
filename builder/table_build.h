#pragma once

#include <filesystem>
#include <string>

#include "table/document.h"
#include "table/places.h"

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
  kFolderInTheWay,  ///< a folder has the table document's name
};

struct BuildOutcome {
  BuildResult result = BuildResult::kNoPages;
  int row_count = 0;  ///< rows written (new table) or added (update); 0 unless kDone
  BuildFailure failure = BuildFailure::kNone;
  /// For kFailed: where the table that was there before is.
  TableKeptIn kept_in = TableKeptIn::kDocument;
  /// For kFailed: what could not be done, for a person, filled where it failed.
  std::string message = {};
  /// The orders came from the cached capture of today's list, not from cached page files.
  bool from_capture = false;
};

/// Reads the cached capture, or else the cached page files, and writes or merges the table
/// document. The caller holds the folder's lock (BeginTableRun) for the whole build.
BuildOutcome RunTableBuild(const TablePlaces& places, bool update_mode);

}  // namespace ordertable

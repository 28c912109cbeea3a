#pragma once

#include <filesystem>

namespace ordertable {

/// Where everything of one table lives, worked out once from the folder it is in and handed
/// down to every step of a run: the table document, its backup, the folder of assets beside
/// it, the folder of cached page files and the cached capture in it.
struct TablePlaces {
  /// The places of the table in `folder`. Not explicit: a call may name just the folder.
  TablePlaces(const std::filesystem::path& where);  // NOLINT(google-explicit-constructor)

  std::filesystem::path folder;
  std::filesystem::path document;
  std::filesystem::path backup;
  std::filesystem::path assets;
  std::filesystem::path cache;
  std::filesystem::path stored_capture;
};

}  // namespace ordertable

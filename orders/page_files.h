#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace ordertable {

/// The folder of cached page files, inside the working folder.
inline constexpr const char* kCacheFolder = "tmp";

/// `folder`/tmp/AE_orders_NN.html, NN the page number with at least two digits.
std::filesystem::path CachedPageFile(const std::filesystem::path& folder, int page);

/// The cached page file's name as a person reads it in messages: "tmp/AE_orders_NN.html".
std::string CachedPageName(int page);

/// The number of cached page files that exist consecutively from page 1 (ordinary files only).
int CountCachedPages(const std::filesystem::path& folder);

/// True when the cached page files 1 to `total` all exist and each one's own page counter
/// says its number and `total`: the pages of one list, as one capture run stored them.
bool CachedPagesFormOneList(const std::filesystem::path& folder, std::int64_t total);

/// Deletes the cached page files numbered above `last_page`, so that a build reads pages 1 to
/// `last_page` and nothing that an earlier capture run left.
void RemoveCachedPagesAfter(const std::filesystem::path& folder, std::int64_t last_page);

/// True for a name that a build could take for a cached page file: "AE_orders_", digits,
/// ".html", letter case ignored in the fixed parts, as Windows ignores it in names.
bool IsCachedPageName(std::string_view name);

/// Writes `page_text` as the cached page file of `page`, atomically; false when it could not.
bool WriteCachedPage(const std::filesystem::path& folder, int page, std::string_view page_text);

/// Creates the folder of cached page files if need be and deletes the cached page files of an
/// earlier run (ordinary files whose name IsCachedPageName, read-only ones included). Other
/// files stay. Failures are ignored: a file that stays is one the next capture replaces.
void ClearCacheFolder(const std::filesystem::path& folder);

}  // namespace ordertable

#pragma once

#include <filesystem>

namespace ordertable {

/// The folder of cached page files, inside the working folder.
inline constexpr const char* kCacheFolder = "tmp";

/// `folder`/tmp/AE_orders_NN.html, NN the page number with at least two digits.
std::filesystem::path CachedPageFile(const std::filesystem::path& folder, int page);

/// The number of cached page files that exist consecutively from page 1 (ordinary files only).
int CountCachedPages(const std::filesystem::path& folder);

}  // namespace ordertable

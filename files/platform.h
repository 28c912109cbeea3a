#pragma once

// What each platform half gives the portable part of the file layer, beside the functions of
// files.h. Not for use outside files/.

#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace ordertable::files {

/// Creates `path`, which must not exist, writes `parts` one after the other and flushes them
/// to the disk before closing; the file is opened without sharing. On failure removes what it
/// created and returns false.
bool WriteNewFile(const std::filesystem::path& path, std::initializer_list<std::string_view> parts);

}  // namespace ordertable::files

#pragma once

#include <cstdio>
#include <filesystem>

namespace ordertable {

/// Opens `path` as a binary stream that no other open may share while it is open (on
/// platforms without share modes, an ordinary open); null when it cannot be opened.
/// `for_writing` creates or truncates the file, otherwise it is opened for reading.
std::FILE* OpenWithoutSharing(const std::filesystem::path& path, bool for_writing);

}  // namespace ordertable

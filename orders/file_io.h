#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ordertable {

/// True for a file that is neither a folder nor (on Windows) hidden or a system file.
bool IsOrdinaryFile(const std::filesystem::path& path);

/// The whole file as raw bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// Deletes the file, creates it anew and writes `bytes`; false when any step fails.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace ordertable

#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace ordertable {

/// Where a new table document is written before it takes the document's name, so that a
/// failure part way never leaves a half-written document in its place.
inline constexpr const char* kTableTemporary = "AliExpress Orders.tmp";

/// The whole file as raw bytes, opened without sharing; nothing when it is absent, not an
/// ordinary file, or cannot be read to its end.
std::optional<std::string> ReadTableFile(const std::filesystem::path& path);

/// Creates `path`, which must not exist, and writes `parts` one after the other; the file is
/// opened without sharing. On failure removes what it created and returns false.
bool CreateTableFile(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> parts);

/// Renames the file `from` to `to`, replacing a file of that name; false on failure.
bool MoveTableFile(const std::filesystem::path& from, const std::filesystem::path& to);

/// Deletes the file `path` (never a folder); true when no file of that name is left.
bool RemoveTableFile(const std::filesystem::path& path);

/// Writes `bytes` to a fresh temporary table file beside the document and then puts it in
/// place of `target`; the old `target` stays untouched unless the whole write succeeded.
bool ReplaceTableFile(const std::filesystem::path& target, std::string_view bytes);

}  // namespace ordertable

#pragma once

// What each platform half gives the portable part of the file layer, beside the functions of
// files.h. Not for use outside files/.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ordertable::files {

/// How WriteNewFile ended.
enum class NewFile { kWritten, kNameTaken, kFailed };

/// Creates `path`, which must not exist, writes `parts` one after the other and flushes them
/// to the disk before closing; the file is opened without sharing. kNameTaken when a file of
/// that name exists; on any other failure removes what it created, fills `*reason` and
/// answers kFailed.
NewFile WriteNewFile(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> parts, std::string* reason);

/// A name beside `target` for a new temporary file, unique to this process and call (see
/// IsTemporaryFileName); creating it exclusively still guards against a file left there.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target);

/// This process's id, and whether a process of that id runs now.
std::uint64_t CurrentProcessId();
bool ProcessIsRunning(std::uint64_t id);

/// Puts `replacement` in the place of `target` and the file that was `target` in the place of
/// `backup`, with a file named `target` at every instant. On failure `target` is as it was.
bool ReplaceKeepingBackup(const std::filesystem::path& replacement,
                          const std::filesystem::path& target, const std::filesystem::path& backup,
                          std::string* reason);

/// One attempt at the hold of FolderLock: the held handle, or -1 with `*busy` set when another
/// holder has it, or -1 with `*reason` filled when the system refused.
std::intptr_t TryLockFolder(const std::filesystem::path& folder, std::string_view name, bool* busy,
                            std::string* reason);
void UnlockFolder(std::intptr_t handle);

/// Fills `*reason`, when it is not null, with what the system said of its last failure.
void SetSystemReason(std::string* reason);

}  // namespace ordertable::files

#pragma once

// The one way this program touches files. Every function answers in its return value and
// never throws; the platform halves (files_posix.cpp, files_win32.cpp) keep the platform's
// rules: on Windows a file being read may be read by others too but not written, and hidden or
// system files are not ordinary files.

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordertable::files {

/// True for a file that is neither a folder nor (on Windows) hidden or a system file.
bool IsOrdinaryFile(const std::filesystem::path& path);

/// True for anything of that name but a folder: hidden and system files included.
bool IsFile(const std::filesystem::path& path);

/// The whole file as raw bytes, shared for reading only; nothing when it is absent, not an
/// ordinary file (a folder, a pipe), or cannot be read to its end.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// The file beside `target` that an atomic write fills before it takes `target`'s name:
/// `target` with the extension ".tmp" ("AliExpress Orders.html" gives "AliExpress Orders.tmp").
std::filesystem::path TemporaryFileFor(const std::filesystem::path& target);

/// New content for `target`, complete and flushed to the disk in the temporary file beside it
/// but not yet in its place. Commit() renames it over `target`; a pending file that is never
/// committed is removed, so `target` stays as it was unless the whole write succeeded.
class PendingFile {
 public:
  /// Writes `parts` one after the other into a fresh temporary file (a stale one left by an
  /// interrupted run is removed first); nothing when any step fails.
  static std::optional<PendingFile> Write(const std::filesystem::path& target,
                                          std::initializer_list<std::string_view> parts);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  PendingFile(const PendingFile&) = delete;
  ~PendingFile();

  /// Renames the temporary file over `target`, replacing it; false when the rename fails
  /// (`target` is then unchanged, and the file stays pending).
  bool Commit();

  /// Leaves the temporary file on disk for good: the one copy of its content when nothing
  /// else could be put back.
  void KeepOnDisk() { pending_ = false; }

 private:
  PendingFile(std::filesystem::path temporary, std::filesystem::path target);
  std::filesystem::path temporary_;
  std::filesystem::path target_;
  bool pending_ = true;
};

/// Writes `parts` into `target` atomically: temporary file, flush, rename. False when the
/// content could not be put in place; `target` is then as it was.
bool WriteFileAtomically(const std::filesystem::path& target,
                         std::initializer_list<std::string_view> parts);

/// Renames the file `from` to `to`, replacing a file of that name in one step; false on failure.
bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);

/// Deletes the file `path` (never a folder), read-only or not; true when no file of that name
/// is left.
bool RemoveFile(const std::filesystem::path& path);

/// Creates the folder `path`; true when a folder of that name exists afterwards.
bool CreateFolder(const std::filesystem::path& path);

/// The names of the ordinary files in `folder` (see IsOrdinaryFile), in no particular order;
/// empty when the folder cannot be read.
std::vector<std::string> ListOrdinaryFiles(const std::filesystem::path& folder);

}  // namespace ordertable::files

#pragma once

// The one way this program touches files. Every function answers in its return value and
// never throws; the platform halves (files_posix.cpp, files_win32.cpp) keep the platform's
// rules: on Windows a file being read may be read by others too but not written, and hidden or
// system files are not ordinary files. Where a function takes `std::string* reason`, a failure
// leaves there what the system said (strerror, FormatMessageW), for a person; it may be null.

#include <cstdint>
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

/// True for a folder of that name.
bool IsFolder(const std::filesystem::path& path);

/// The whole file as raw bytes, shared for reading only; nothing when it is absent, not an
/// ordinary file (a folder, a pipe), or cannot be read to its end.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::string* reason = nullptr);

/// The path that the UTF-8 text `utf8` names. Every name from outside (an argument, a
/// setting) becomes a path this way: on Windows a path made from a plain std::string reads it
/// in the ANSI code page, where "Заказы" or "注文" are question marks.
std::filesystem::path PathFromUtf8(std::string_view utf8);

/// `path` as UTF-8 text, for a message, a comparison or PathFromUtf8.
std::string Utf8Of(const std::filesystem::path& path);

/// The last name of `path` (its file name) in UTF-8, for a message or a comparison.
std::string FileName(const std::filesystem::path& path);

/// True for the name of a temporary file that this program creates beside a target:
/// "<target name>.ordertable-<process id>-<8 hex digits>.tmp".
bool IsTemporaryFileName(std::string_view name);

/// The temporary files made for `target` beside it by processes that have ended.
std::vector<std::filesystem::path> StaleTemporaryFilesOf(const std::filesystem::path& target);

/// Removes the temporary files of this program in `folder` whose writing process has ended
/// (a run that was stopped part way); those of running processes stay.
void RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

/// New content for `target`, complete and flushed to the disk in a temporary file of its own
/// beside it, but not yet in its place. Commit() renames it over `target`; a pending file that
/// is never committed is removed, so `target` stays as it was unless the whole write succeeded.
class PendingFile {
 public:
  /// Writes `parts` one after the other into a new temporary file, created exclusively under a
  /// name no other writer uses (IsTemporaryFileName); nothing when any step fails.
  static std::optional<PendingFile> Write(const std::filesystem::path& target,
                                          std::initializer_list<std::string_view> parts,
                                          std::string* reason = nullptr);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  ~PendingFile();

  /// Renames the temporary file over `target`, replacing it; false when the rename fails
  /// (`target` is then unchanged, and the file stays pending).
  bool Commit(std::string* reason = nullptr);

  /// Puts the temporary file in the place of `target` and, in the same step, the file that
  /// was `target` in the place of `backup` (replacing an earlier backup): a file named
  /// `target` exists at every instant, so a run stopped at any point leaves a table. False
  /// when it could not: `target` is then as it was, and `backup` too or a copy of `target`.
  bool CommitKeepingBackup(const std::filesystem::path& backup, std::string* reason = nullptr);

  /// The temporary file, while the content is pending.
  const std::filesystem::path& temporary() const { return temporary_; }

 private:
  PendingFile(std::filesystem::path temporary, std::filesystem::path target);
  std::filesystem::path temporary_;
  std::filesystem::path target_;
  bool pending_ = true;
};

/// Writes `parts` into `target` atomically: temporary file, flush, rename. False when the
/// content could not be put in place; `target` is then as it was.
bool WriteFileAtomically(const std::filesystem::path& target,
                         std::initializer_list<std::string_view> parts,
                         std::string* reason = nullptr);

/// Renames the file `from` to `to`, replacing a file of that name in one step; false on failure.
bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
            std::string* reason = nullptr);

/// Deletes the file `path` (never a folder), read-only or not; true when no file of that name
/// is left.
bool RemoveFile(const std::filesystem::path& path);

/// Creates the folder `path`; true when a folder of that name exists afterwards.
bool CreateFolder(const std::filesystem::path& path, std::string* reason = nullptr);

/// The names of the ordinary files in `folder` (see IsOrdinaryFile), in no particular order;
/// empty when the folder cannot be read.
std::vector<std::string> ListOrdinaryFiles(const std::filesystem::path& folder);

/// An exclusive hold on a folder, so that two runs never read, merge and write its files at
/// the same time. It is let go when the object ends, and by the system when the process does.
/// Nothing is added to the folder: on POSIX the folder itself is locked (flock); on Windows a
/// file in the user's temporary folder, named after `name` and the folder's identity, is held
/// open for this process alone and deleted when let go. A process's second hold on one folder
/// waits for its first, like another process's.
class FolderLock {
 public:
  enum class Failure { kNone, kBusy, kError };

  /// Takes the hold, waiting up to `wait_ms` while another run has it. Nothing when it is not
  /// taken: `*failure` says whether another run kept it (kBusy) or the system refused (kError,
  /// with its `*reason`).
  static std::optional<FolderLock> Acquire(const std::filesystem::path& folder,
                                           std::string_view name, int wait_ms, Failure* failure,
                                           std::string* reason = nullptr);

  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  ~FolderLock();

 private:
  explicit FolderLock(std::intptr_t handle) : handle_(handle) {}
  void Release();
  std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE; -1 when none is held
};

}  // namespace ordertable::files

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <system_error>
#include <utility>

#include "files/files.h"
#include "files/platform.h"

namespace ordertable::files {
namespace {

// Owns a file descriptor and closes it on every way out of a function.
class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  /// Gives the descriptor away: the owner no longer closes it.
  int Release() { return std::exchange(fd_, -1); }
  /// Closes now and tells whether the close (which may report a late write error) succeeded.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

// POSIX files carry no hidden or system attribute: any regular file counts.
bool IsOrdinaryFile(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsFile(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool IsFolder(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void SetSystemReason(std::string* reason) {
  if (reason != nullptr) *reason = std::generic_category().message(errno);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* reason) {
  // Without O_NONBLOCK, opening a named pipe in the file's place would wait for a writer
  // forever; on a regular file the flag changes nothing.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (!file.valid() || ::fstat(file.get(), &status) != 0) {
    SetSystemReason(reason);
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    if (reason != nullptr) *reason = S_ISDIR(status.st_mode) ? "it is a folder" : "it is no file";
    return std::nullopt;
  }
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(status.st_size));
  std::size_t filled = 0;
  // Once the size fstat gave is filled, the end is looked for in a small buffer of its own:
  // growing the string to look would double its room, twice the memory of a large capture.
  char more[4096];
  for (;;) {
    const bool full = filled == bytes.size();
    const ssize_t got = full ? ::read(file.get(), more, sizeof more)
                             : ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetSystemReason(reason);
      return std::nullopt;
    }
    if (got == 0) break;
    if (full) bytes.append(more, static_cast<std::size_t>(got));
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

NewFile WriteNewFile(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> parts, std::string* reason) {
  UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!file.valid()) {
    if (errno == EEXIST) return NewFile::kNameTaken;
    SetSystemReason(reason);
    return NewFile::kFailed;
  }
  errno = 0;
  bool written = true;
  for (const std::string_view part : parts) written = written && WriteAll(file.get(), part);
  // The data must be on the disk before a rename gives this file the name of one that matters.
  if (written && ::fsync(file.get()) == 0 && file.Close()) return NewFile::kWritten;
  // A write of no byte at all sets no error: the disk is full.
  if (errno == 0) errno = ENOSPC;
  SetSystemReason(reason);
  if (file.valid()) file.Close();
  ::unlink(path.c_str());
  return NewFile::kFailed;
}

bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
            std::string* reason) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  SetSystemReason(reason);
  return false;
}

// The backup is a second name of the table's own file, made under a temporary name and then
// renamed over the old backup; the new file is then renamed over the table. Each rename
// replaces a name in one step, so the table is there at every instant.
bool ReplaceKeepingBackup(const std::filesystem::path& replacement,
                          const std::filesystem::path& target, const std::filesystem::path& backup,
                          std::string* reason) {
  std::filesystem::path second_name;
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path name = TemporaryNameFor(backup);
    if (::link(target.c_str(), name.c_str()) == 0) {
      second_name = std::move(name);
      break;
    }
    if (errno != EEXIST) break;
  }
  if (!second_name.empty()) {
    const bool renamed = Rename(second_name, backup, reason);
    // A rename between two names of one file (the backup already is the table, as a run
    // stopped right after this step leaves it) changes nothing and keeps both names.
    ::unlink(second_name.c_str());
    if (!renamed) return false;
  } else {
    // A file system without hard links (a FAT stick, some network shares): a copy will do.
    const std::optional<std::string> bytes = ReadWholeFile(target, reason);
    if (!bytes || !WriteFileAtomically(backup, {*bytes}, reason)) return false;
  }
  return Rename(replacement, target, reason);
}

bool RemoveFile(const std::filesystem::path& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool CreateFolder(const std::filesystem::path& path, std::string* reason) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  if (errno == EEXIST) {
    if (IsFolder(path)) return true;
    if (reason != nullptr) *reason = "a file of that name is in the way";
    return false;
  }
  SetSystemReason(reason);
  return false;
}

std::uint64_t CurrentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

bool ProcessIsRunning(std::uint64_t id) {
  if (id == 0 || id > static_cast<std::uint64_t>(INT_MAX)) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

// The folder's own descriptor carries the lock: no file is added to the shopper's folder.
std::intptr_t TryLockFolder(const std::filesystem::path& folder, std::string_view /*name*/,
                            bool* busy, std::string* reason) {
  UniqueFd descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!descriptor.valid()) {
    SetSystemReason(reason);
    return -1;
  }
  while (::flock(descriptor.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    *busy = errno == EWOULDBLOCK;
    SetSystemReason(reason);
    return -1;
  }
  return descriptor.Release();
}

void UnlockFolder(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

}  // namespace ordertable::files

#include "files/files.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "files/platform.h"

namespace ordertable::files {
namespace {

constexpr std::string_view kTemporaryTag = ".ordertable-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr int kHexDigits = 8;

// True when all of `text`, and nothing else, is a number in `base`.
bool WholeNumber(std::string_view text, int base, std::uint64_t* value) {
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *value, base);
  return !text.empty() && error == std::errc() && stop == end;
}

// The process id in a temporary file's name; nothing when the name is no temporary file's.
std::optional<std::uint64_t> WriterOf(std::string_view name) {
  if (!name.ends_with(kTemporaryEnd)) return std::nullopt;
  name.remove_suffix(kTemporaryEnd.size());
  const std::size_t tag = name.rfind(kTemporaryTag);
  // A temporary file is always named after a target, so the tag never starts the name.
  if (tag == std::string_view::npos || tag == 0) return std::nullopt;
  std::string_view rest = name.substr(tag + kTemporaryTag.size());
  const std::size_t dash = rest.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view hex = rest.substr(dash + 1);
  std::uint64_t id = 0;
  std::uint64_t number = 0;
  if (!WholeNumber(rest.substr(0, dash), 10, &id) || hex.size() != kHexDigits ||
      !WholeNumber(hex, 16, &number)) {
    return std::nullopt;
  }
  return id;
}

}  // namespace

// This process's id, and a number that differs for every call in it.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target) {
  static std::atomic<std::uint32_t> calls{0};
  const auto ticks =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::uint32_t mixed = static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) * 2654435761u;
  mixed ^= calls.fetch_add(1) * 40503u;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string suffix(kTemporaryTag);
  suffix += std::to_string(CurrentProcessId());
  suffix += '-';
  for (int shift = 28; shift >= 0; shift -= 4) suffix += kHex[(mixed >> shift) & 0xF];
  suffix += kTemporaryEnd;
  std::filesystem::path name = target.filename();
  name += suffix;
  return target.parent_path() / name;
}

namespace {

// True for a temporary file of this program whose writing process has ended.
bool IsStaleTemporaryFile(const std::filesystem::path& path) {
  const std::optional<std::uint64_t> writer = WriterOf(FileName(path));
  return writer && *writer != CurrentProcessId() && !ProcessIsRunning(*writer) && IsFile(path);
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string FileName(const std::filesystem::path& path) { return Utf8Of(path.filename()); }

bool IsTemporaryFileName(std::string_view name) { return WriterOf(name).has_value(); }

std::vector<std::filesystem::path> StaleTemporaryFilesOf(const std::filesystem::path& target) {
  const std::string prefix = FileName(target) + std::string(kTemporaryTag);
  std::vector<std::filesystem::path> stale;
  std::error_code error;
  for (std::filesystem::directory_iterator it(target.parent_path(), error), end;
       !error && it != end; it.increment(error)) {
    if (FileName(it->path()).starts_with(prefix) && IsStaleTemporaryFile(it->path())) {
      stale.push_back(it->path());
    }
  }
  return stale;
}

void RemoveStaleTemporaryFiles(const std::filesystem::path& folder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (IsStaleTemporaryFile(it->path())) RemoveFile(it->path());
  }
}

PendingFile::PendingFile(std::filesystem::path temporary, std::filesystem::path target)
    : temporary_(std::move(temporary)), target_(std::move(target)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      pending_(std::exchange(other.pending_, false)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    if (pending_) RemoveFile(temporary_);
    temporary_ = std::move(other.temporary_);
    target_ = std::move(other.target_);
    pending_ = std::exchange(other.pending_, false);
  }
  return *this;
}

PendingFile::~PendingFile() {
  if (pending_) RemoveFile(temporary_);
}

std::optional<PendingFile> PendingFile::Write(const std::filesystem::path& target,
                                              std::initializer_list<std::string_view> parts,
                                              std::string* reason) {
  // A name taken (by a file nobody removed, or by chance) is passed over for another one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path temporary = TemporaryNameFor(target);
    switch (WriteNewFile(temporary, parts, reason)) {
      case NewFile::kWritten:
        return PendingFile(std::move(temporary), target);
      case NewFile::kNameTaken:
        continue;
      case NewFile::kFailed:
        return std::nullopt;
    }
  }
  if (reason != nullptr) *reason = "no free name for a temporary file";
  return std::nullopt;
}

bool PendingFile::Commit(std::string* reason) {
  if (!pending_ || !Rename(temporary_, target_, reason)) return false;
  pending_ = false;
  return true;
}

bool PendingFile::CommitKeepingBackup(const std::filesystem::path& backup, std::string* reason) {
  if (!pending_ || !ReplaceKeepingBackup(temporary_, target_, backup, reason)) return false;
  pending_ = false;
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& target,
                         std::initializer_list<std::string_view> parts, std::string* reason) {
  std::optional<PendingFile> pending = PendingFile::Write(target, parts, reason);
  return pending && pending->Commit(reason);
}

std::vector<std::string> ListOrdinaryFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (IsOrdinaryFile(it->path())) names.push_back(FileName(it->path()));
  }
  return names;
}

std::optional<FolderLock> FolderLock::Acquire(const std::filesystem::path& folder,
                                              std::string_view name, int wait_ms, Failure* failure,
                                              std::string* reason) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    bool busy = false;
    const std::intptr_t handle = TryLockFolder(folder, name, &busy, reason);
    if (handle != -1) {
      *failure = Failure::kNone;
      return FolderLock(handle);
    }
    if (!busy) {
      *failure = Failure::kError;
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(wait_ms)) {
      *failure = Failure::kBusy;
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

FolderLock::FolderLock(FolderLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release() {
  if (handle_ != -1) UnlockFolder(std::exchange(handle_, -1));
}

}  // namespace ordertable::files

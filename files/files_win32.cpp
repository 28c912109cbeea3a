#include <windows.h>

#include <algorithm>

#include "files/files.h"
#include "files/platform.h"
#include "files/unique_handle_win32.h"

namespace ordertable::files {
namespace {

// ReadFile and WriteFile move at most a DWORD at a time.
constexpr std::size_t kChunk = 1u << 30;

}  // namespace

// The cached page files are found the way a wildcard search finds them, which passes over
// folders and hidden or system entries.
bool IsOrdinaryFile(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (attributes & kNotOrdinary) == 0;
}

bool IsFile(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  // Another program may neither write nor delete the file while it is read. It may read it:
  // a virus scanner or an indexer that reads a file just written must not make a build fail.
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
      size.QuadPart < 0) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const std::size_t want = (std::min)(kChunk, bytes.size() - filled);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(want), &got, nullptr)) {
      return std::nullopt;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return bytes;
}

bool WriteNewFile(const std::filesystem::path& path,
                  std::initializer_list<std::string_view> parts) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bool written = true;
  for (std::string_view bytes : parts) {
    while (written && !bytes.empty()) {
      const std::size_t want = (std::min)(kChunk, bytes.size());
      DWORD put = 0;
      written = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(want), &put, nullptr) &&
                put == want;
      bytes.remove_prefix(want);
    }
  }
  // The data must be on the disk before a rename gives this file the name of one that matters.
  if (written && FlushFileBuffers(file.get()) && file.Reset()) return true;
  file.Reset();
  DeleteFileW(path.c_str());
  return false;
}

bool Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::filesystem::path& path) {
  if (DeleteFileW(path.c_str())) return true;
  DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED) {
    // A read-only file refuses deletion until the attribute is cleared; a folder stays.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      if (DeleteFileW(path.c_str())) return true;
      error = GetLastError();
      SetFileAttributesW(path.c_str(), attributes);
    }
  }
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool CreateFolder(const std::filesystem::path& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace ordertable::files

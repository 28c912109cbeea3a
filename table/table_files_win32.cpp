#include <windows.h>

#include <algorithm>

#include "table/table_files.h"

namespace ordertable {
namespace {

// Closes the handle on every way out of a function.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// ReadFile and WriteFile move at most a DWORD at a time.
constexpr std::size_t kChunk = 1u << 30;

}  // namespace

std::optional<std::string> ReadTableFile(const std::filesystem::path& path) {
  // No sharing: another program may neither write nor delete the file while it is read.
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
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

bool CreateTableFile(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> parts) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
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
  // The data must be on the disk before a rename makes this file the table document.
  if (written && FlushFileBuffers(file.get()) && file.Close()) return true;
  if (file.valid()) file.Close();
  DeleteFileW(path.c_str());
  return false;
}

bool MoveTableFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveTableFile(const std::filesystem::path& path) {
  if (DeleteFileW(path.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace ordertable

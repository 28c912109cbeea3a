#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "files/files.h"
#include "files/platform.h"
#include "files/unique_handle_win32.h"
#include "files/wide_text_win32.h"

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

bool IsFolder(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetSystemReason(std::string* reason) {
  if (reason == nullptr) return;
  const DWORD error = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text != nullptr ? text : L"", length);
  if (text != nullptr) LocalFree(text);
  // The system's sentences end with a full stop and a line break; the message goes on after.
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                           wide.back() == L'.')) {
    wide.pop_back();
  }
  if (wide.empty()) {
    *reason = "system error " + std::to_string(error);
    return;
  }
  *reason = Utf8FromWide(wide);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* reason) {
  // Another program may neither write nor delete the file while it is read. It may read it:
  // a virus scanner or an indexer that reads a file just written must not make a build fail.
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file) {
    // A folder cannot be opened as a file: say what is in the way rather than "access denied".
    if (IsFolder(path)) {
      if (reason != nullptr) *reason = "it is a folder";
    } else {
      SetSystemReason(reason);
    }
    return std::nullopt;
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
      size.QuadPart < 0) {
    SetSystemReason(reason);
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const std::size_t want = (std::min)(kChunk, bytes.size() - filled);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(want), &got, nullptr)) {
      SetSystemReason(reason);
      return std::nullopt;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return bytes;
}

NewFile WriteNewFile(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> parts, std::string* reason) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFile::kNameTaken;
    SetSystemReason(reason);
    return NewFile::kFailed;
  }
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
  if (written && FlushFileBuffers(file.get()) && file.Reset()) return NewFile::kWritten;
  SetSystemReason(reason);
  file.Reset();
  DeleteFileW(path.c_str());
  return NewFile::kFailed;
}

bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
            std::string* reason) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  SetSystemReason(reason);
  return false;
}

// The system's own replacement keeps the table's attributes and never leaves its name free.
bool ReplaceKeepingBackup(const std::filesystem::path& replacement,
                          const std::filesystem::path& target, const std::filesystem::path& backup,
                          std::string* reason) {
  if (ReplaceFileW(target.c_str(), replacement.c_str(), backup.c_str(),
                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  const DWORD error = GetLastError();
  SetSystemReason(reason);
  if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) return false;
  // The table went to the backup's name, and the new file did not take its place: put one of
  // them there, the new one first.
  if (MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  CopyFileW(backup.c_str(), target.c_str(), TRUE);
  return false;
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

bool CreateFolder(const std::filesystem::path& path, std::string* reason) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  if (IsFolder(path)) return true;
  if (error == ERROR_ALREADY_EXISTS) {
    if (reason != nullptr) *reason = "a file of that name is in the way";
    return false;
  }
  SetLastError(error);
  SetSystemReason(reason);
  return false;
}

std::uint64_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessIsRunning(std::uint64_t id) {
  if (id == 0 || id > MAXDWORD) return false;
  UniqueHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id)));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to ask
  DWORD status = 0;
  return GetExitCodeProcess(process.get(), &status) && status == STILL_ACTIVE;
}

// The hold is a file that only this process may open, deleted by the system when it is closed,
// which it is when the process ends, however it ends. It lives in the user's temporary folder,
// never in the shopper's, named after the folder's identity on its volume: every path that
// reaches the folder (another case, a short name, a junction) meets the same file.
std::intptr_t TryLockFolder(const std::filesystem::path& folder, std::string_view name, bool* busy,
                            std::string* reason) {
  UniqueHandle folder_handle(CreateFileW(
      folder.c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION identity{};
  if (!folder_handle || !GetFileInformationByHandle(folder_handle.get(), &identity)) {
    SetSystemReason(reason);
    return -1;
  }
  wchar_t temporary[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  if (length == 0 || length > MAX_PATH) {
    SetSystemReason(reason);
    return -1;
  }
  wchar_t key[40];
  swprintf(key, 40, L" %08lx-%08lx%08lx", static_cast<unsigned long>(identity.dwVolumeSerialNumber),
           static_cast<unsigned long>(identity.nFileIndexHigh),
           static_cast<unsigned long>(identity.nFileIndexLow));
  std::filesystem::path lock = std::filesystem::path(name);
  const std::wstring extension = lock.extension().wstring();
  lock = std::filesystem::path(temporary) / (lock.stem().wstring() + key + extension);
  const HANDLE file =
      CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) return reinterpret_cast<std::intptr_t>(file);
  const DWORD error = GetLastError();
  // Held by another run, or on its way out after that run let it go.
  *busy =
      error == ERROR_SHARING_VIOLATION ||
      (error == ERROR_ACCESS_DENIED && GetFileAttributesW(lock.c_str()) != INVALID_FILE_ATTRIBUTES);
  SetLastError(error);
  SetSystemReason(reason);
  return -1;
}

void UnlockFolder(std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

}  // namespace ordertable::files

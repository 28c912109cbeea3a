#include "app/startup_win32.h"

#include <windows.h>

#include <vector>

namespace ordertable {

void PrepareCacheFolder() {
  CreateDirectoryA("tmp", nullptr);
  WIN32_FIND_DATAA found;
  const HANDLE search =
      FindFirstFileExA("tmp\\*.html", FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  constexpr DWORD kSkipped =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & kSkipped) == 0) {
      const std::string name = std::string("tmp\\") + found.cFileName;
      // A read-only page left behind would otherwise be counted by the next build.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        const DWORD writable = found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
        SetFileAttributesA(name.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
      }
      DeleteFileA(name.c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string ProgramBaseName() {
  std::vector<char> path(MAX_PATH);
  DWORD length = 0;
  // The buffer grows until the whole path fits (long paths exceed MAX_PATH).
  while ((length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
             path.size() &&
         path.size() < 32768) {
    path.resize(path.size() * 2);
  }
  std::string name(path.data(), length);
  const std::size_t folder_end = name.find_last_of("\\/:");
  if (folder_end != std::string::npos) name.erase(0, folder_end + 1);
  const std::size_t extension = name.rfind('.');
  if (extension != std::string::npos && extension > 0) name.erase(extension);
  return name;
}

}  // namespace ordertable

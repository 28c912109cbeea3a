#include "app/startup_win32.h"

#include <windows.h>

#include <vector>

#include "files/wide_text_win32.h"

namespace ordertable {

std::string ProgramBaseName() {
  std::vector<wchar_t> path(MAX_PATH);
  DWORD length = 0;
  // The buffer grows until the whole path fits (long paths exceed MAX_PATH).
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
             path.size() &&
         path.size() < 32768) {
    path.resize(path.size() * 2);
  }
  std::string name = files::Utf8FromWide(std::wstring_view(path.data(), length));
  const std::size_t folder_end = name.find_last_of("\\/:");
  if (folder_end != std::string::npos) name.erase(0, folder_end + 1);
  const std::size_t extension = name.rfind('.');
  if (extension != std::string::npos && extension > 0) name.erase(extension);
  return name;
}

}  // namespace ordertable

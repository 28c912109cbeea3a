#include <windows.h>

#include <string>

#include "orders/file_io.h"

namespace ordertable {

// The cached page files are found the way a wildcard search finds them, which passes over
// folders and hidden or system entries.
bool IsOrdinaryFile(const std::filesystem::path& path) {
  std::string name;
  try {
    name = path.string();
  } catch (...) {
    return false;  // a name the ANSI code page cannot spell is no file of ours
  }
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (attributes & kNotOrdinary) == 0;
}

}  // namespace ordertable

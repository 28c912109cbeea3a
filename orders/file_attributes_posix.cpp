#include <system_error>

#include "orders/file_io.h"

namespace ordertable {

// POSIX files carry no hidden or system attribute: any regular file counts.
bool IsOrdinaryFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace ordertable

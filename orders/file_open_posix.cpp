#include "orders/file_open.h"

namespace ordertable {

// POSIX has no share modes; an ordinary open is the closest.
std::FILE* OpenWithoutSharing(const std::filesystem::path& path, bool for_writing) {
  return std::fopen(path.c_str(), for_writing ? "wb" : "rb");
}

}  // namespace ordertable

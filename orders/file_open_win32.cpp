#include <share.h>

#include "orders/file_open.h"

namespace ordertable {

std::FILE* OpenWithoutSharing(const std::filesystem::path& path, bool for_writing) {
  return _wfsopen(path.c_str(), for_writing ? L"wb" : L"rb", _SH_DENYRW);
}

}  // namespace ordertable

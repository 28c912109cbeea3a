#include "orders/page_files.h"

#include <string>

#include "orders/file_io.h"

namespace ordertable {

std::filesystem::path CachedPageFile(const std::filesystem::path& folder, int page) {
  std::string number = std::to_string(page);
  if (number.size() < 2) number.insert(0, 2 - number.size(), '0');
  return folder / kCacheFolder / ("AE_orders_" + number + ".html");
}

int CountCachedPages(const std::filesystem::path& folder) {
  int count = 0;
  while (IsOrdinaryFile(CachedPageFile(folder, count + 1))) ++count;
  return count;
}

}  // namespace ordertable

#include "table/overlap.h"

#include <optional>
#include <string>
#include <string_view>

#include "orders/file_io.h"
#include "orders/line_reader.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "table/document.h"
#include "table/merge.h"
#include "table/table_files.h"

namespace ordertable {

bool PageOverlapsTable(const std::filesystem::path& folder, int page) {
  // An absent table document holds no order.
  const std::string document = ReadTableFile(folder / kTableDocument).value_or(std::string());
  const std::optional<std::string> page_bytes = ReadWholeFile(CachedPageFile(folder, page));
  if (!page_bytes) return false;

  const KeyCommentIndex index(document);
  LineReader reader(*page_bytes);
  std::string_view line;
  while (FindMarker(reader, "order-info", &line) && FindMarker(reader, "info-body", &line)) {
    // The id keeps its letter case: only the markers are matched without it.
    if (index.Holds(TextBetween(line, ">", "<"))) return true;
  }
  return false;
}

}  // namespace ordertable

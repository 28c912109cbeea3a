#include "table/overlap.h"

#include <algorithm>
#include <optional>
#include <string>

#include "files/files.h"
#include "orders/extract.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/merge.h"

namespace ordertable {

bool PageOverlapsTable(const TablePlaces& places, int page) {
  // An absent table document holds no order.
  const std::string document = files::ReadWholeFile(places.document).value_or(std::string());
  const std::optional<std::string> page_bytes =
      files::ReadWholeFile(CachedPageFile(places.folder, page));
  if (!page_bytes) return false;
  const KeyCommentIndex index(document);
  const std::vector<std::string> ids = OrderIdsOnPage(*page_bytes);
  return std::any_of(ids.begin(), ids.end(),
                     [&index](const std::string& id) { return index.Holds(id); });
}

std::size_t FirstRowInTable(const TablePlaces& places, const RowList& rows) {
  const std::string document = files::ReadWholeFile(places.document).value_or(std::string());
  const KeyCommentIndex index(document);
  const auto known = std::find_if(rows.begin(), rows.end(), [&index](const OrderRow& row) {
    return index.Holds(row.order_id);
  });
  return static_cast<std::size_t>(known - rows.begin());
}

}  // namespace ordertable

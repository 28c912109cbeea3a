#pragma once

#include <cstddef>
#include <filesystem>

#include "orders/order_row.h"

namespace ordertable {

/// True when the cached page file of `page` holds an order that the table document holds.
bool PageOverlapsTable(const std::filesystem::path& folder, int page);

/// The position of the first of `rows` whose order the table document in `folder` holds;
/// `rows.size()` when it holds none of them, or there is no document.
std::size_t FirstRowInTable(const std::filesystem::path& folder, const RowList& rows);

}  // namespace ordertable

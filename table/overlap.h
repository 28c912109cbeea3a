#pragma once

#include <cstddef>
#include <filesystem>

#include "orders/order_row.h"
#include "table/places.h"

namespace ordertable {

/// True when the cached page file of `page` holds an order that the table document holds.
bool PageOverlapsTable(const TablePlaces& places, int page);

/// The position of the first of `rows` whose order the table document holds; `rows.size()`
/// when it holds none of them, or there is no document.
std::size_t FirstRowInTable(const TablePlaces& places, const RowList& rows);

}  // namespace ordertable

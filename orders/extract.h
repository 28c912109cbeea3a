#pragma once

#include <filesystem>
#include <string_view>

#include "orders/order_row.h"

namespace ordertable {

/// Appends the complete order rows found in a cached page file's bytes, in page order.
void ExtractRows(std::string_view page_bytes, RowList& rows);

/// Appends the rows of the file at `path`; an unreadable file adds nothing.
void ExtractRowsFromFile(const std::filesystem::path& path, RowList& rows);

}  // namespace ordertable

#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "orders/order_row.h"

namespace ordertable {

/// Appends the complete order rows found in a cached page file's bytes, in page order.
void ExtractRows(std::string_view page_bytes, RowList& rows);

/// Appends the rows of the file at `path`; an unreadable file adds nothing.
void ExtractRowsFromFile(const std::filesystem::path& path, RowList& rows);

/// The order ids of a cached page file's bytes as the overlap check reads them: for each
/// "order-info" line, the text between ">" and "<" of the next "info-body" line (markers
/// matched without letter case, the id with it). On the order-list page this is the same id
/// that ExtractRows takes from the second line after "first-row".
std::vector<std::string> OrderIdsOnPage(std::string_view page_bytes);

}  // namespace ordertable

#pragma once

#include <filesystem>

namespace ordertable {

/// True when the cached page file of `page` holds an order that the table document holds.
bool PageOverlapsTable(const std::filesystem::path& folder, int page);

}  // namespace ordertable

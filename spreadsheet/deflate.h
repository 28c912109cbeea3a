#pragma once

#include <string>
#include <string_view>

namespace ordertable {

/// `bytes` compressed as one raw deflate block (RFC 1951) with the fixed Huffman codes, its
/// repeats found within the last 32 KiB: what zip archives call method 8. A workbook's XML,
/// which repeats its markup on every cell, shrinks to about a tenth.
std::string Deflate(std::string_view bytes);

}  // namespace ordertable

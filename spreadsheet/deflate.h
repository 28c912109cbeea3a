#pragma once

#include <string>
#include <string_view>

namespace ordertable {

/// `bytes` compressed by zlib as raw deflate data (RFC 1951, no zlib header or checksum):
/// what zip archives call method 8. Throws std::bad_alloc when zlib has no memory for it.
std::string Deflate(std::string_view bytes);

}  // namespace ordertable

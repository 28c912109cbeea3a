#pragma once

// Just enough of the zip format for a workbook: files deflated (or stored, when that is
// shorter), each with its CRC-32, then the central directory that lists them.

#include <cstdint>
#include <string>
#include <string_view>

namespace ordertable {

/// The CRC-32 of `bytes` that zip archives carry (zlib's crc32).
std::uint32_t Crc32(std::string_view bytes);

/// A zip archive built in memory.
class ZipArchive {
 public:
  /// Adds the file `name` (a relative path with "/" between folders) holding `content`.
  /// Throws std::length_error past the 4 GiB and 65,535 files a plain archive can hold.
  void Add(std::string_view name, std::string_view content);

  /// The archive's bytes: the files, then the central directory. Ends the archive's use.
  std::string Finish() &&;

 private:
  std::string files_;
  std::string directory_;
  std::uint16_t count_ = 0;
};

}  // namespace ordertable

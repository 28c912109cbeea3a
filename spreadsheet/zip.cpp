#include "spreadsheet/zip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "spreadsheet/deflate.h"

namespace ordertable {
namespace {

// zlib counts in unsigned int: larger inputs go in slices.
constexpr std::size_t kSlice = std::size_t{1} << 30;

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

constexpr std::uint32_t kVersion = 20;  // 2.0: what every reader handles
constexpr std::uint32_t kStored = 0;    // no compression
constexpr std::uint32_t kDeflated = 8;
constexpr std::uint32_t kDosTime = 0;             // 00:00:00
constexpr std::uint32_t kDosDate = (1 << 5) | 1;  // 1980-01-01: the same bytes on every run

// The fields that the local header and the directory entry share, from the version needed
// to the file name's length.
void PutCommonFields(std::string& out, std::uint32_t method, std::uint32_t crc,
                     std::uint32_t stored_size, std::uint32_t size, std::uint32_t name_size) {
  Put16(out, kVersion);
  Put16(out, 0);  // flags
  Put16(out, method);
  Put16(out, kDosTime);
  Put16(out, kDosDate);
  Put32(out, crc);
  Put32(out, stored_size);
  Put32(out, size);
  Put16(out, name_size);
  Put16(out, 0);  // extra field
}

std::uint32_t Narrow(std::size_t value) {
  if (value > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("the workbook is larger than a zip archive can hold (4 GiB)");
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0, nullptr, 0);
  for (std::size_t at = 0; at < bytes.size(); at += kSlice) {
    const std::size_t slice = std::min(bytes.size() - at, kSlice);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(slice));
  }
  return static_cast<std::uint32_t>(crc);
}

void ZipArchive::Add(std::string_view name, std::string_view content) {
  if (count_ == std::numeric_limits<std::uint16_t>::max()) {
    throw std::length_error("too many files for a zip archive");
  }
  const std::uint32_t crc = Crc32(content);
  const std::uint32_t size = Narrow(content.size());
  const std::uint32_t name_size = Narrow(name.size());
  const std::uint32_t offset = Narrow(files_.size());
  const std::string deflated = Deflate(content);
  // A few bytes of text can come out longer deflated; they are stored as they are.
  const bool stored = deflated.size() >= content.size();
  const std::uint32_t method = stored ? kStored : kDeflated;
  const std::uint32_t stored_size = stored ? size : Narrow(deflated.size());

  Put32(files_, 0x04034B50);  // local file header
  PutCommonFields(files_, method, crc, stored_size, size, name_size);
  files_ += name;
  files_.append(stored ? content : std::string_view(deflated));

  Put32(directory_, 0x02014B50);  // central directory entry
  Put16(directory_, kVersion);    // made by: MS-DOS attributes, version 2.0
  PutCommonFields(directory_, method, crc, stored_size, size, name_size);
  Put16(directory_, 0);  // comment
  Put16(directory_, 0);  // disk
  Put16(directory_, 0);  // internal attributes
  Put32(directory_, 0);  // external attributes
  Put32(directory_, offset);
  directory_ += name;
  ++count_;
}

std::string ZipArchive::Finish() && {
  const std::uint32_t directory_offset = Narrow(files_.size());
  std::string archive = std::move(files_);
  archive.reserve(archive.size() + directory_.size() + 22);
  archive += directory_;
  Put32(archive, 0x06054B50);  // end of central directory
  Put16(archive, 0);           // this disk
  Put16(archive, 0);           // the disk where the directory starts
  Put16(archive, count_);      // entries on this disk
  Put16(archive, count_);      // entries in all
  Put32(archive, Narrow(directory_.size()));
  Put32(archive, directory_offset);
  Put16(archive, 0);  // comment
  return archive;
}

}  // namespace ordertable

#include "orders/line_reader.h"

#include <array>
#include <cstring>
#include <string>

namespace ordertable {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfData = '\x1a';

std::string_view UpToEndOfData(std::string_view data) {
  const std::size_t end = data.find(kEndOfData);
  return end == std::string_view::npos ? data : data.substr(0, end);
}

constexpr std::array<unsigned char, 256> LowerTable() {
  std::array<unsigned char, 256> lower{};
  for (int c = 0; c < 256; ++c) {
    lower[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return lower;
}
constexpr std::array<unsigned char, 256> kLower = LowerTable();

unsigned char Lower(char c) { return kLower[static_cast<unsigned char>(c)]; }

// Case-blind substring test. The markers are ASCII, and the ANSI code pages map no other
// byte to an ASCII letter when lower-casing, so folding ASCII letters gives the same answer.
bool ContainsIgnoringCase(std::string_view line, std::string_view lower_marker) {
  if (lower_marker.empty()) return true;
  if (lower_marker.size() > line.size()) return false;
  const unsigned char first = static_cast<unsigned char>(lower_marker[0]);
  const std::size_t last_start = line.size() - lower_marker.size();
  for (std::size_t at = 0; at <= last_start; ++at) {
    if (Lower(line[at]) != first) continue;
    std::size_t k = 1;
    while (k < lower_marker.size() &&
           Lower(line[at + k]) == static_cast<unsigned char>(lower_marker[k])) {
      ++k;
    }
    if (k == lower_marker.size()) return true;
  }
  return false;
}

}  // namespace

LineReader::LineReader(std::string_view data) : data_(UpToEndOfData(data)) {}

std::string_view LineReader::ReadLine() {
  if (pos_ >= data_.size()) return {};
  const char* start = data_.data() + pos_;
  const std::size_t left = data_.size() - pos_;
  const void* cr = std::memchr(start, kCr, left);
  if (cr == nullptr) {
    pos_ = data_.size();
    return std::string_view(start, left);
  }
  const auto length = static_cast<std::size_t>(static_cast<const char*>(cr) - start);
  pos_ += length + 1;
  if (pos_ < data_.size() && data_[pos_] == kLf) ++pos_;
  return std::string_view(start, length);
}

bool FindMarker(LineReader& reader, std::string_view marker, std::string_view* line) {
  std::string lower_marker(marker);
  for (char& c : lower_marker) c = static_cast<char>(Lower(c));
  while (!reader.AtEnd()) {
    const std::string_view candidate = reader.ReadLine();
    if (reader.AtEnd()) return false;  // the line that reaches the end is not examined
    if (ContainsIgnoringCase(candidate, lower_marker)) {
      if (line != nullptr) *line = candidate;
      return true;
    }
  }
  return false;
}

std::string_view SkipLines(LineReader& reader, int count) {
  std::string_view line;
  for (int i = 0; i < count; ++i) line = reader.ReadLine();
  return line;
}

}  // namespace ordertable

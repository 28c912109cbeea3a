#pragma once

#include <string_view>

namespace ordertable {

/// Reads lines of a page file's bytes by the page file line rules: a CR ends a line and
/// swallows one LF right after it, a lone LF stays inside the line, 0x1A ends the data,
/// and reading past the end yields empty lines.
class LineReader {
 public:
  explicit LineReader(std::string_view data);

  /// The next line, without its break; empty once the data is used up.
  std::string_view ReadLine();

  /// True once a read has reached the end of the data.
  bool AtEnd() const { return pos_ >= data_.size(); }

 private:
  friend bool FindMarker(LineReader& reader, std::string_view marker, std::string_view* line);

  std::string_view data_;
  std::size_t pos_ = 0;
};

/// Reads lines until one contains `marker` (letter case ignored on both sides). A line whose
/// read reaches the end of the data is not examined: the search then fails. On success the
/// marker line is stored in `*line` (a view into the reader's data).
bool FindMarker(LineReader& reader, std::string_view marker, std::string_view* line);

/// Reads `count` lines and returns the last one (the fixed skip after a marker line).
std::string_view SkipLines(LineReader& reader, int count);

}  // namespace ordertable

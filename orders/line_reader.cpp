#include "orders/line_reader.h"

#include <array>
#include <bit>
#include <cstring>

#include "orders/ascii.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ordertable {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfData = '\x1a';

std::string_view UpToEndOfData(std::string_view data) {
  const std::size_t end = data.find(kEndOfData);
  return end == std::string_view::npos ? data : data.substr(0, end);
}

unsigned char Lower(char c) { return static_cast<unsigned char>(ascii::ToLower(c)); }

// The markers are ASCII, and the ANSI code pages map no other byte to an ASCII letter when
// lower-casing, so folding ASCII letters gives the same answer as a code-page comparison.
bool EqualIgnoringCase(const char* text, std::string_view marker) {
  return ascii::EqualsIgnoringCase(std::string_view(text, marker.size()), marker);
}

// The bytes a marker byte matches: itself and, for a letter, its other case. OR-ing 0x20 into
// a byte gives a lower-case letter exactly for that letter in either case, so `fold` is 0x20
// for letters and 0 otherwise.
struct ByteMatch {
  unsigned char value;
  unsigned char fold;
};

ByteMatch MatchFor(char c) {
  const unsigned char lower = Lower(c);
  return {lower, static_cast<unsigned char>(lower >= 'a' && lower <= 'z' ? 0x20 : 0)};
}

bool Matches(char c, ByteMatch match) {
  return (static_cast<unsigned char>(c) | match.fold) == match.value;
}

// Position of the first occurrence of `marker` in `data` at or after `from`, ASCII letter case
// ignored; npos when there is none. Candidates are the places where the marker's first and
// last bytes both match, sixteen at a time where the processor allows it.
std::size_t FindIgnoringCase(std::string_view data, std::size_t from, std::string_view marker) {
  if (from >= data.size() || marker.size() > data.size() - from) return std::string_view::npos;
  if (marker.empty()) return from;
  const std::size_t last_offset = marker.size() - 1;
  const std::size_t last_start = data.size() - marker.size();
  const ByteMatch first = MatchFor(marker.front());
  const ByteMatch last = MatchFor(marker.back());
  const char* bytes = data.data();
  std::size_t at = from;
#if defined(__SSE2__)
  const __m128i first_value = _mm_set1_epi8(static_cast<char>(first.value));
  const __m128i first_fold = _mm_set1_epi8(static_cast<char>(first.fold));
  const __m128i last_value = _mm_set1_epi8(static_cast<char>(last.value));
  const __m128i last_fold = _mm_set1_epi8(static_cast<char>(last.fold));
  for (; at + 15 <= last_start; at += 16) {
    const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const __m128i tails =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + last_offset));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(heads, first_fold), first_value),
                                       _mm_cmpeq_epi8(_mm_or_si128(tails, last_fold), last_value));
    auto candidates = static_cast<unsigned>(_mm_movemask_epi8(both));
    while (candidates != 0) {
      const std::size_t candidate = at + static_cast<std::size_t>(std::countr_zero(candidates));
      if (EqualIgnoringCase(bytes + candidate, marker)) return candidate;
      candidates &= candidates - 1;
    }
  }
#endif
  for (; at <= last_start; ++at) {
    if (Matches(bytes[at], first) && Matches(bytes[at + last_offset], last) &&
        EqualIgnoringCase(bytes + at, marker)) {
      return at;
    }
  }
  return std::string_view::npos;
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

// Equivalent to reading line by line and testing each line, without the per-line work: a marker
// holds no CR, so every occurrence lies inside one line, and the first line holding the marker
// is the line around its first occurrence. The one exception is an occurrence that begins with
// the LF swallowed by the break before it, which belongs to no line.
bool FindMarker(LineReader& reader, std::string_view marker, std::string_view* line) {
  const std::string_view data = reader.data_;
  const std::size_t begin = reader.pos_;
  reader.pos_ = data.size();  // where every failed search leaves the reader
  if (marker.find(kCr) != std::string_view::npos) return false;  // no line holds a CR
  std::size_t at = FindIgnoringCase(data, begin, marker);
  while (at != std::string_view::npos && at > begin && data[at] == kLf && data[at - 1] == kCr) {
    at = FindIgnoringCase(data, at + 1, marker);
  }
  if (at == std::string_view::npos) return false;

  std::size_t start = at;
  while (start > begin && data[start - 1] != kCr) --start;
  if (start > begin && start < at && data[start] == kLf) ++start;  // the swallowed LF
  const void* cr = std::memchr(data.data() + at, kCr, data.size() - at);
  if (cr == nullptr) return false;  // the line reaches the end: it is not examined
  const auto end = static_cast<std::size_t>(static_cast<const char*>(cr) - data.data());
  std::size_t next = end + 1;
  if (next < data.size() && data[next] == kLf) ++next;
  if (next >= data.size()) return false;  // so does a line whose break ends the data
  reader.pos_ = next;
  if (line != nullptr) *line = data.substr(start, end - start);
  return true;
}

std::string_view SkipLines(LineReader& reader, int count) {
  std::string_view line;
  for (int i = 0; i < count; ++i) line = reader.ReadLine();
  return line;
}

}  // namespace ordertable

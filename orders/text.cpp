#include "orders/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "orders/ascii.h"

namespace ordertable {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kTab = '\t';

// The clean-up works on three kinds of byte: line breaks, the blanks that indentation is
// made of, and everything else. A table lets the copy loop skip runs of ordinary bytes.
constexpr std::array<bool, 256> SpecialBytes() {
  std::array<bool, 256> special{};
  special[static_cast<unsigned char>(kCr)] = true;
  special[static_cast<unsigned char>(kLf)] = true;
  special[static_cast<unsigned char>(kTab)] = true;
  return special;
}
constexpr std::array<bool, 256> kSpecial = SpecialBytes();

bool IsSpecial(char c) { return kSpecial[static_cast<unsigned char>(c)]; }

// A word with the high bit set in exactly those bytes of `x` that are zero.
std::uint64_t ZeroBytes(std::uint64_t x) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

constexpr std::uint64_t kEachByte = 0x0101010101010101ull;

std::uint64_t Load8(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// True when some LF has no CR before it: only then are lone CR and lone LF made breaks.
// Eight bytes at a time, each compared with the byte before it, because a text of blank
// lines has a line feed every other byte and a search call per line feed would be slow.
bool HasLoneLineFeed(std::string_view text) {
  const char* data = text.data();
  const std::size_t n = text.size();
  if (n == 0) return false;
  if (data[0] == kLf) return true;
  std::size_t i = 1;
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t line_feeds = ZeroBytes(Load8(data + i) ^ (kLf * kEachByte));
    const std::uint64_t after_cr = ZeroBytes(Load8(data + i - 1) ^ (kCr * kEachByte));
    if ((line_feeds & ~after_cr) != 0) return true;
  }
  for (; i < n; ++i) {
    if (data[i] == kLf && data[i - 1] != kCr) return true;
  }
  return false;
}

bool EndsWithLineBreak(const std::string& out) {
  const std::size_t n = out.size();
  return n >= 2 && out[n - 2] == kCr && out[n - 1] == kLf;
}

}  // namespace

// The clean-up is defined as five passes, three of them repeated until their pattern is gone.
// Repeating them literally costs one pass per tab of the deepest indentation and per blank
// line of the longest blank run, so this does the same work in a single scan. It rests on
// these facts about the passes:
// - After the first pass every LF is part of a CR LF pair (either there was no lone LF, or
//   all lone CR and LF became pairs), and CR LF pairs cannot overlap. Deleting tabs, spaces
//   or whole pairs therefore never forms a new pair: the pairs are exactly the line breaks.
// - "CR LF TAB" repeated until gone strips the whole run of tabs after each break; then
//   "CR LF space" strips the run of spaces now after it. Tabs after those spaces stay.
// - Tabs then become spaces; the spaces that now follow a break are not stripped again.
// - "CR LF CR LF" repeated until gone folds each run of adjacent breaks into one. Two breaks
//   are adjacent exactly when nothing but stripped indentation stood between them, which is
//   when the output written so far already ends with a break.
std::string CleanUpText(std::string_view text) {
  const bool lone_breaks = HasLoneLineFeed(text);
  const std::size_t n = text.size();
  // Length of the line break at `at`: 2 for CR LF, 1 for a lone CR or LF once those are
  // breaks, 0 for no break.
  auto break_at = [&](std::size_t at) -> std::size_t {
    if (at >= n) return 0;
    if (text[at] == kCr) {
      if (at + 1 < n && text[at + 1] == kLf) return 2;
      return lone_breaks ? 1 : 0;
    }
    return text[at] == kLf ? 1 : 0;  // a CR LF pair is taken at its CR: this LF is lone
  };
  std::string out;
  out.reserve(lone_breaks ? n + n / 8 + 16 : n);
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = i;
    while (run < n && !IsSpecial(text[run])) ++run;
    out.append(text.data() + i, run - i);
    i = run;
    if (i == n) break;

    std::size_t break_length = break_at(i);
    if (break_length == 0) {
      out.push_back(text[i] == kTab ? ' ' : text[i]);
      ++i;
      continue;
    }
    if (!EndsWithLineBreak(out)) out.append("\r\n");
    // Every further break that only indentation separates from this one folds into it.
    do {
      i += break_length;
      while (i < n && text[i] == kTab) ++i;
      while (i < n && text[i] == ' ') ++i;
      break_length = break_at(i);
    } while (break_length != 0);
  }
  return out;
}

std::string_view TextBetween(std::string_view text, std::string_view opening,
                             std::string_view closing) {
  const std::size_t open_at = text.find(opening);
  if (open_at == std::string_view::npos) return {};
  const std::size_t start = open_at + opening.size();
  const std::size_t close_at = text.find(closing, start);
  if (close_at == std::string_view::npos) return {};
  return text.substr(start, close_at - start);
}

// Addresses are cut from the page by plain searches, or come from the marketplace's replies,
// and are written inside single-quoted attributes: a quote or an angle bracket in one would end
// the attribute (or the element) early and let the rest of the address become markup. Only
// those three bytes change, so an ordinary address comes out byte for byte.
void AppendEncodedAddress(std::string& out, std::string_view address) {
  std::size_t plain = 0;  // bytes before `at` not yet appended
  for (std::size_t at = 0; at < address.size(); ++at) {
    const char c = address[at];
    if (c != '\'' && c != '<' && c != '>') continue;
    out.append(address.substr(plain, at - plain));
    out.append(c == '\'' ? "%27" : c == '<' ? "%3C" : "%3E");
    plain = at + 1;
  }
  out.append(address.substr(plain));
}

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of the last `needle` in `text`, letter case ignored; npos when there is none.
std::size_t FindLastIgnoringCase(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = text.size() - needle.size() + 1; at-- > 0;) {
    std::size_t k = 0;
    while (k < needle.size() && LowerAscii(text[at + k]) == LowerAscii(needle[k])) ++k;
    if (k == needle.size()) return at;
  }
  return std::string_view::npos;
}

struct Month {
  std::string_view abbreviation;
  std::string_view number;
};
constexpr std::array<Month, 12> kMonths = {{{"Jan.", "01"},
                                            {"Feb.", "02"},
                                            {"Mar.", "03"},
                                            {"Apr.", "04"},
                                            {"May.", "05"},
                                            {"Jun.", "06"},
                                            {"Jul.", "07"},
                                            {"Aug.", "08"},
                                            {"Sep.", "09"},
                                            {"Oct.", "10"},
                                            {"Nov.", "11"},
                                            {"Dec.", "12"}}};

}  // namespace

std::string ConvertDate(std::string_view line) {
  const std::size_t span_end = FindLastIgnoringCase(line, "</span>");
  if (span_end == std::string_view::npos) return {};
  // The year is the four bytes before "</span>"; a line too short for that gives what it has.
  const std::size_t year_start = span_end >= 4 ? span_end - 4 : 0;
  std::string date(line.substr(year_start, span_end - year_start));
  date.push_back('-');
  for (const Month& month : kMonths) {
    if (line.find(month.abbreviation) != std::string_view::npos) date.append(month.number);
  }
  const std::size_t point = line.find('.');
  if (point == std::string_view::npos) return {};
  const std::size_t day_start = point + 2;
  const std::size_t day_end =
      line.find(' ', day_start);  // npos also when day_start is past the end
  if (day_end == std::string_view::npos) return {};
  date.push_back('-');
  date.append(line.substr(day_start, day_end - day_start));
  return date;
}

using ascii::IsDigit;

// Reads digits into an unsigned magnitude that stops growing at `limit`, then rounds on the
// fraction digits without going through floating point, so that long digit strings neither
// overflow nor lose the rounding decision. Halves go to the even neighbour.
std::int64_t NumericValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::uint64_t{std::numeric_limits<std::int64_t>::max()};
  std::uint64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])) {
    const char first = text[i + 1];
    bool above_half = first > '5';
    if (first == '5') {
      for (std::size_t k = i + 2; k < text.size() && IsDigit(text[k]); ++k) {
        if (text[k] != '0') above_half = true;
      }
      if (!above_half && magnitude % 2 == 1) above_half = true;  // a tie: round to even
    }
    if (above_half && magnitude < limit) ++magnitude;
  }
  if (!negative) return static_cast<std::int64_t>(magnitude);
  if (magnitude == limit) return std::numeric_limits<std::int64_t>::min();
  return -static_cast<std::int64_t>(magnitude);
}

// The counter sits between the first ">" after the tag's "<" and the next "<" that starts at
// least two bytes later. Every position is checked, so a page cut off inside the tag gives an
// empty counter rather than a negative length.
std::string CutPageCounter(std::string_view page_text) {
  const std::size_t tag = page_text.find(kPageCounterTag);
  if (tag == std::string_view::npos) return {};
  const std::size_t close = page_text.find('>', tag + 1);
  if (close == std::string_view::npos) return {};
  const std::size_t next = page_text.find('<', close + 2);
  if (next == std::string_view::npos) return {};
  return std::string(page_text.substr(close + 1, next - close - 1));
}

std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;   // the second byte's range, narrower after some lead bytes so
  unsigned char high = 0xBF;  // that overlong forms, surrogates and codes past U+10FFFF fail
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendUtf8(std::string& out, char32_t code) {
  const auto byte = [&out](std::uint32_t value) { out += static_cast<char>(value); };
  if (code < 0x80) {
    byte(code);
  } else if (code < 0x800) {
    byte(0xC0 | (code >> 6));
    byte(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    byte(0xE0 | (code >> 12));
    byte(0x80 | ((code >> 6) & 0x3F));
    byte(0x80 | (code & 0x3F));
  } else {
    byte(0xF0 | (code >> 18));
    byte(0x80 | ((code >> 12) & 0x3F));
    byte(0x80 | ((code >> 6) & 0x3F));
    byte(0x80 | (code & 0x3F));
  }
}

std::string_view MissingPageMarker(std::string_view text) {
  for (const std::string_view marker : kOrderPageMarkers) {
    if (text.find(marker) == std::string_view::npos) return marker;
  }
  return {};
}

PageCounter ReadPageCounter(std::string_view page_text) {
  const std::string counter = CutPageCounter(page_text);
  const std::size_t slash = counter.find('/');
  if (slash == std::string::npos) return {NumericValue(counter), 0};
  return {NumericValue(std::string_view(counter).substr(0, slash)),
          NumericValue(std::string_view(counter).substr(slash + 1))};
}

namespace {

enum class ByteOrder { kLittleEndian, kBigEndian };

// The byte order of UTF-16 text, told by its byte order mark or, without one, by the zero
// bytes of the ASCII characters a HAR or a page starts with; nothing for other bytes.
std::optional<ByteOrder> Utf16ByteOrder(std::string_view bytes, std::size_t* start) {
  *start = 0;
  if (bytes.starts_with("\xFF\xFE")) {
    *start = 2;
    return ByteOrder::kLittleEndian;
  }
  if (bytes.starts_with("\xFE\xFF")) {
    *start = 2;
    return ByteOrder::kBigEndian;
  }
  const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 16);
  if (units < 2) return std::nullopt;
  bool little = true;
  bool big = true;
  for (std::size_t i = 0; i < units; ++i) {
    const char first = bytes[2 * i];
    const char second = bytes[2 * i + 1];
    little = little && first != 0 && second == 0;
    big = big && first == 0 && second != 0;
  }
  if (little) return ByteOrder::kLittleEndian;
  if (big) return ByteOrder::kBigEndian;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> Utf8OfUtf16Text(std::string_view bytes) {
  std::size_t at = 0;
  const std::optional<ByteOrder> order = Utf16ByteOrder(bytes, &at);
  if (!order) return std::nullopt;
  const auto unit_at = [&](std::size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return *order == ByteOrder::kLittleEndian ? first | (second << 8) : (first << 8) | second;
  };
  std::string text;
  text.reserve(bytes.size() / 2);
  for (; at + 1 < bytes.size(); at += 2) {
    char32_t code = unit_at(at);
    if (code >= 0xD800 && code <= 0xDBFF && at + 3 < bytes.size()) {
      const char32_t low = unit_at(at + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        at += 2;
      }
    }
    AppendUtf8(text, code >= 0xD800 && code <= 0xDFFF ? char32_t{0xFFFD} : code);
  }
  return text;
}

}  // namespace ordertable

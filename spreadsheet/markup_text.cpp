#include "spreadsheet/markup_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

#include "orders/ascii.h"
#include "orders/text.h"
#include "table/markup.h"

namespace ordertable {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr char32_t kReplacementCharacter = 0xFFFD;

using ascii::IsBlank;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// What Windows-1252 puts at 0x80 to 0x9F; the five bytes it leaves undefined keep their code.
constexpr std::array<char16_t, 32> kWindows1252From80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Windows1252(std::uint32_t code) {
  return code >= 0x80 && code < 0xA0 ? kWindows1252From80[code - 0x80] : code;
}

struct NamedReference {
  std::string_view name;
  char32_t code;
};

// The named references that order pages and hand edits use; names are case-sensitive.
constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"lsquo", 0x2018},
    {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"laquo", 0xAB},    {"raquo", 0xBB},
    {"bull", 0x2022},  {"middot", 0xB7},  {"times", 0xD7},   {"deg", 0xB0},      {"plusmn", 0xB1},
    {"euro", 0x20AC},  {"pound", 0xA3},   {"yen", 0xA5},     {"cent", 0xA2},     {"copy", 0xA9},
    {"reg", 0xAE},     {"trade", 0x2122}, {"frac12", 0xBD},  {"agrave", 0xE0},   {"aacute", 0xE1},
    {"acirc", 0xE2},   {"auml", 0xE4},    {"ccedil", 0xE7},  {"egrave", 0xE8},   {"eacute", 0xE9},
    {"ecirc", 0xEA},   {"iacute", 0xED},  {"ntilde", 0xF1},  {"oacute", 0xF3},   {"ouml", 0xF6},
    {"uacute", 0xFA},  {"uuml", 0xFC},    {"szlig", 0xDF},   {"Eacute", 0xC9},   {"Auml", 0xC4},
    {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"shy", 0xAD},
};

// The character of the reference whose name (or "#233", "#xE9") is `body`.
std::optional<char32_t> ReferencedCharacter(std::string_view body) {
  if (!body.starts_with('#')) {
    for (const NamedReference& reference : kNamedReferences) {
      if (reference.name == body) return reference.code;
    }
    return std::nullopt;
  }
  body.remove_prefix(1);
  int base = 10;
  if (!body.empty() && (body[0] == 'x' || body[0] == 'X')) {
    base = 16;
    body.remove_prefix(1);
  }
  std::uint32_t code = 0;
  const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), code, base);
  if (body.empty() || end != body.data() + body.size()) return std::nullopt;
  // As browsers do: what cannot be a character becomes the replacement character, and the
  // C1 range is read as Windows-1252.
  if (error != std::errc() || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
    return kReplacementCharacter;
  }
  return Windows1252(code);
}

// One tag, comment or declaration of some markup.
struct Tag {
  std::size_t begin = 0;  // its '<'
  std::size_t end = 0;    // just after its '>'
  bool closing = false;
  std::string_view name;        // as written; empty for comments and declarations
  std::string_view attributes;  // what follows the name, up to the '>'
};

// The next tag at or after `from`; false when there is none. A '<' that opens no tag, as in
// "a < b", is text.
bool NextTag(std::string_view markup, std::size_t from, Tag& tag) {
  for (std::size_t at = markup.find('<', from); at != kNone; at = markup.find('<', at + 1)) {
    const std::string_view rest = markup.substr(at + 1);
    if (rest.starts_with("!--")) {
      const std::size_t close = markup.find("-->", at + 4);
      tag = Tag{at, close == kNone ? markup.size() : close + 3, false, {}, {}};
      return true;
    }
    if (rest.starts_with('!') || rest.starts_with('?')) {
      tag = Tag{at, ordertable::markup::TagEnd(markup, at + 1), false, {}, {}};
      return true;
    }
    const bool closing = rest.starts_with('/');
    const std::size_t name_at = at + (closing ? 2 : 1);
    if (name_at >= markup.size() || !IsLetter(markup[name_at])) continue;
    std::size_t name_end = name_at;
    while (name_end < markup.size() && !IsBlank(markup[name_end]) && markup[name_end] != '>' &&
           markup[name_end] != '/') {
      ++name_end;
    }
    const std::size_t end = ordertable::markup::TagEnd(markup, name_end);
    const std::size_t attributes_end = markup[end - 1] == '>' ? end - 1 : end;
    tag = Tag{at, end, closing, markup.substr(name_at, name_end - name_at),
              markup.substr(name_end, attributes_end - name_end)};
    return true;
  }
  return false;
}

bool OpensElement(const Tag& tag, std::string_view name) {
  return !tag.closing && ascii::EqualsIgnoringCase(tag.name, name);
}

// The raw value of the attribute `name` (lower case) in a tag's attribute text.
std::optional<std::string_view> AttributeValue(std::string_view attributes, std::string_view name) {
  std::size_t i = 0;
  const std::size_t size = attributes.size();
  while (i < size) {
    while (i < size && (IsBlank(attributes[i]) || attributes[i] == '/')) ++i;
    const std::size_t name_at = i;
    while (i < size && !IsBlank(attributes[i]) && attributes[i] != '=' && attributes[i] != '/') ++i;
    const std::string_view attribute = attributes.substr(name_at, i - name_at);
    while (i < size && IsBlank(attributes[i])) ++i;
    std::string_view value;
    if (i < size && attributes[i] == '=') {
      ++i;
      while (i < size && IsBlank(attributes[i])) ++i;
      if (i < size && (attributes[i] == '"' || attributes[i] == '\'')) {
        const std::size_t close = std::min(attributes.find(attributes[i], i + 1), size);
        value = attributes.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        const std::size_t value_at = i;
        while (i < size && !IsBlank(attributes[i])) ++i;
        value = attributes.substr(value_at, i - value_at);
      }
    } else if (attribute.empty()) {
      ++i;  // a stray '=' or quote: go past it
    }
    if (!attribute.empty() && ascii::EqualsIgnoringCase(attribute, name)) return value;
  }
  return std::nullopt;
}

bool EndsBlock(const Tag& tag) {
  if (ascii::EqualsIgnoringCase(tag.name, "br")) return true;
  return tag.closing &&
         (ascii::EqualsIgnoringCase(tag.name, "p") || ascii::EqualsIgnoringCase(tag.name, "div") ||
          ascii::EqualsIgnoringCase(tag.name, "li"));
}

// TextOfMarkup of markup known to be valid UTF-8.
std::string TextOfValidMarkup(std::string_view markup) {
  std::string out;
  bool blank_pending = false;
  const auto add_text = [&](std::string_view raw) {
    for (const char c : DecodeCharacterReferences(raw)) {
      if (IsBlank(c)) {
        blank_pending = true;
        continue;
      }
      if (blank_pending && !out.empty() && out.back() != '\n') out += ' ';
      blank_pending = false;
      out += c;
    }
  };
  std::size_t text_at = 0;
  Tag tag;
  while (NextTag(markup, text_at, tag)) {
    add_text(markup.substr(text_at, tag.begin - text_at));
    if (EndsBlock(tag) && !out.empty() && out.back() != '\n') {
      out += '\n';
      blank_pending = false;
    }
    text_at = tag.end;
  }
  add_text(markup.substr(text_at));
  return PlainCellText(out);
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes.substr(at));
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t plain = 0;  // start of the text not yet copied
  for (std::size_t at = text.find('&'); at != kNone; at = text.find('&', at + 1)) {
    // The longest reference known, "&#x10FFFF;", is ten bytes.
    const std::size_t semicolon = text.substr(0, at + 12).find(';', at + 1);
    if (semicolon == kNone) continue;
    const std::optional<char32_t> code =
        ReferencedCharacter(text.substr(at + 1, semicolon - at - 1));
    if (!code) continue;
    out.append(text.substr(plain, at - plain));
    AppendUtf8(out, *code);
    plain = semicolon + 1;
    at = semicolon;
  }
  out.append(text.substr(plain));
  return out;
}

std::string ValidUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes.substr(at));
    if (length > 0) {
      out.append(bytes.substr(at, length));
      at += length;
    } else {
      AppendUtf8(out, Windows1252(static_cast<unsigned char>(bytes[at])));
      ++at;
    }
  }
  return out;
}

std::string PlainCellText(std::string_view text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size());
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const char c = valid[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
    } else if (c == '\t') {
      out += ' ';
    } else if (static_cast<unsigned char>(c) < 0x20 && c != '\n') {
      // No spreadsheet cell (and no XML text) can hold the other control characters.
    } else if (c == '\xEF' && i + 2 < valid.size() && valid[i + 1] == '\xBF' &&
               (valid[i + 2] == '\xBE' || valid[i + 2] == '\xBF')) {
      i += 2;  // U+FFFE and U+FFFF, which XML forbids as well
    } else {
      out += c;
    }
  }
  const std::size_t first = out.find_first_not_of(" \n");
  if (first == kNone) return {};
  return out.substr(first, out.find_last_not_of(" \n") - first + 1);
}

std::string TextOfMarkup(std::string_view markup) { return TextOfValidMarkup(ValidUtf8(markup)); }

std::vector<MarkupLink> LinksOfMarkup(std::string_view markup) {
  const std::string valid = ValidUtf8(markup);
  std::vector<MarkupLink> links;
  Tag tag;
  for (std::size_t from = 0; NextTag(valid, from, tag);) {
    from = tag.end;
    if (!OpensElement(tag, "a")) continue;
    MarkupLink& link = links.emplace_back();
    if (const auto href = AttributeValue(tag.attributes, "href")) {
      link.address = PlainCellText(DecodeCharacterReferences(*href));
    }
    // The link's text runs to its </a>, or to the next <a> when a hand edit lost the end tag.
    std::size_t text_end = valid.size();
    Tag next;
    for (std::size_t scan = tag.end; NextTag(valid, scan, next); scan = next.end) {
      if (!ascii::EqualsIgnoringCase(next.name, "a")) continue;
      text_end = next.begin;
      from = next.closing ? next.end : next.begin;
      break;
    }
    if (text_end == valid.size()) from = valid.size();
    link.text = TextOfValidMarkup(std::string_view(valid).substr(tag.end, text_end - tag.end));
  }
  return links;
}

std::string FirstAttribute(std::string_view markup, std::string_view element,
                           std::string_view attribute) {
  const std::string valid = ValidUtf8(markup);
  Tag tag;
  for (std::size_t from = 0; NextTag(valid, from, tag); from = tag.end) {
    if (!OpensElement(tag, element)) continue;
    if (const auto value = AttributeValue(tag.attributes, attribute)) {
      return PlainCellText(DecodeCharacterReferences(*value));
    }
  }
  return {};
}

}  // namespace ordertable

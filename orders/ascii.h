#pragma once

// The ASCII rules of the texts this program reads: pages, replies, the table and file names.
// Bytes of 0x80 and above are never letters, digits or blanks here, so UTF-8 passes through.

#include <string_view>

namespace ordertable::ascii {

/// '0' to '9'.
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// True for a non-empty text of digits only.
constexpr bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

/// White space between markup and JSON tokens: space, tab, CR, LF and form feed.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

/// The letter in lower case; every other byte as it is.
constexpr char ToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

/// True when `a` and `b` are the same but for the case of ASCII letters.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToLower(a[i]) != ToLower(b[i])) return false;
  }
  return true;
}

/// True when `text` starts with `prefix`, the case of ASCII letters ignored.
constexpr bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

/// True when `text` ends with `suffix`, the case of ASCII letters ignored.
constexpr bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

/// `text` without its leading and trailing blanks.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace ordertable::ascii

#include "table/markup.h"

#include <utility>

#include "orders/ascii.h"

namespace ordertable::markup {

bool TagAt(std::string_view text, std::size_t at, std::string_view tag) {
  if (at > text.size() || text.size() - at < tag.size()) return false;
  if (!ascii::EqualsIgnoringCase(text.substr(at, tag.size()), tag)) return false;
  const std::size_t after = at + tag.size();
  return after == text.size() || text[after] == '>' || text[after] == '/' ||
         ascii::IsBlank(text[after]);
}

bool CommentAt(std::string_view text, std::size_t at) { return text.substr(at, 4) == "<!--"; }

std::size_t AfterComment(std::string_view text, std::size_t at) {
  const std::size_t close = text.find("-->", at + 4);
  return close == kNone ? text.size() : close + 3;
}

std::size_t TagEnd(std::string_view markup, std::size_t from) {
  char quote = 0;
  char last = 0;  // the last byte outside quotes that is not a blank
  for (std::size_t i = from; i < markup.size(); ++i) {
    const char c = markup[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if ((c == '"' || c == '\'') && last == '=') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    } else if (!ascii::IsBlank(c)) {
      last = c;
    }
  }
  const std::size_t first = markup.find('>', from);
  return first == kNone ? markup.size() : first + 1;
}

std::size_t SkipMarkup(std::string_view text, std::size_t at) {
  if (CommentAt(text, at)) return AfterComment(text, at);
  for (const auto& [open, close] :
       {std::pair<std::string_view, std::string_view>{"<script", "</script"},
        {"<style", "</style"}}) {
    if (!TagAt(text, at, open)) continue;
    // The element's text ends at the first closing tag, whatever it holds: as in a browser.
    for (std::size_t end = text.find('<', AfterTag(text, at)); end != kNone;
         end = text.find('<', end + 1)) {
      if (TagAt(text, end, close)) return AfterTag(text, end);
    }
    return text.size();
  }
  return at + 1;
}

std::size_t FindTag(std::string_view text, std::string_view tag, std::size_t from) {
  for (std::size_t at = text.find('<', from); at != kNone; at = text.find('<', at)) {
    if (TagAt(text, at, tag)) return at;
    at = SkipMarkup(text, at);
  }
  return kNone;
}

bool StartsLine(std::string_view text, std::size_t at) {
  while (at > 0 && (text[at - 1] == ' ' || text[at - 1] == '\t')) --at;
  return at == 0 || text[at - 1] == '\r' || text[at - 1] == '\n';
}

TableBody FindTableBody(std::string_view document) {
  TableBody body;
  if (const std::size_t open = FindTag(document, "<tbody"); open != kNone) {
    body.begin = AfterTag(document, open);
    body.found = true;
  } else if (const std::size_t head_end = FindTag(document, "</thead"); head_end != kNone) {
    body.begin = AfterTag(document, head_end);
    body.found = true;
  }
  body.end = document.size();
  for (std::string_view tag : {"<tfoot", "</tbody", "</table"}) {
    const std::size_t at = FindTag(document, tag, body.begin);
    if (at < body.end) body.end = at;
  }
  return body;
}

bool KeyCommentBeforeRow(std::string_view text, std::size_t at) {
  if (!StartsLine(text, at)) return false;
  std::size_t next = AfterComment(text, at);
  while (next < text.size() && ascii::IsBlank(text[next])) ++next;
  return TagAt(text, next, "<tr");
}

}  // namespace ordertable::markup

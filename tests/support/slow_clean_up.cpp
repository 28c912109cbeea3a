#include "tests/support/slow_clean_up.h"

namespace ordertable::test {
namespace {

// One left-to-right pass replacing non-overlapping occurrences, without rescanning output.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t done = 0;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
    out.append(text, done, at - done);
    out.append(to);
    done = at + from.size();
  }
  out.append(text, done, std::string::npos);
  return out;
}

std::string ReplaceWhilePresent(std::string text, std::string_view from, std::string_view to) {
  while (text.find(from) != std::string::npos) text = ReplaceAll(text, from, to);
  return text;
}

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

// Every CR not followed by an LF and every LF not preceded by a CR become CR LF, judged on
// the text as it was before the pass.
std::string PairLoneBreaks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lone_cr = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
    const bool lone_lf = text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
    if (lone_cr || lone_lf) {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string SlowCleanUpText(std::string_view input) {
  std::string text(input);
  if (Count(text, "\n") > Count(text, "\r\n")) text = PairLoneBreaks(text);
  text = ReplaceWhilePresent(std::move(text), "\r\n\t", "\r\n");
  text = ReplaceWhilePresent(std::move(text), "\r\n ", "\r\n");
  text = ReplaceAll(text, "\t", " ");
  text = ReplaceWhilePresent(std::move(text), "\r\n\r\n", "\r\n");
  return text;
}

}  // namespace ordertable::test

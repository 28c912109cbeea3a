// Text clean-up of copied page source: the one-scan clean-up must give exactly what the five
// passes done literally give, and its output must have the shape the extractor counts on.

#include <string>

#include "fuzz/fuzz_check.h"
#include "orders/text.h"
#include "tests/support/slow_clean_up.h"

namespace {

bool IsBlankOrBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string WithoutBlanksAndBreaks(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (!IsBlankOrBreak(c)) kept.push_back(c);
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ordertable;
  const std::string_view text = fuzz::AsText(data, size);
  const std::string cleaned = CleanUpText(text);

  FUZZ_CHECK(cleaned == test::SlowCleanUpText(text));
  FUZZ_CHECK(cleaned.find('\t') == std::string::npos);
  FUZZ_CHECK(cleaned.find("\r\n\r\n") == std::string::npos);
  // Only blanks and line breaks are ever removed, added or changed: page content is not.
  FUZZ_CHECK(WithoutBlanksAndBreaks(cleaned) == WithoutBlanksAndBreaks(text));
  // At most every byte becomes a CR LF pair.
  FUZZ_CHECK(cleaned.size() <= 2 * text.size());
  return 0;
}

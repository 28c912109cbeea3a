// Text between: input = [opening length][closing length][opening][closing][text]. The result
// must be what stands between the first opening and the first closing after it.

#include <string>

#include "fuzz/fuzz_check.h"
#include "orders/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ordertable;
  if (size < 2) return 0;
  std::string_view input = fuzz::AsText(data, size);
  const std::size_t opening_length = static_cast<unsigned char>(input[0]) % 16;
  const std::size_t closing_length = static_cast<unsigned char>(input[1]) % 16;
  input.remove_prefix(2);
  const std::string_view opening = fuzz::TakeFront(input, opening_length);
  const std::string_view closing = fuzz::TakeFront(input, closing_length);
  const std::string_view text = input;

  const std::string between(TextBetween(text, opening, closing));
  const std::size_t open_at = text.find(opening);
  if (open_at == std::string_view::npos) {
    FUZZ_CHECK(between.empty());
    return 0;
  }
  const std::string_view after = text.substr(open_at + opening.size());
  const std::size_t close_at = after.find(closing);
  if (close_at == std::string_view::npos) {
    FUZZ_CHECK(between.empty());
    return 0;
  }
  // The result is the run of bytes right after the opening, up to the closing.
  FUZZ_CHECK(between.size() == close_at);
  FUZZ_CHECK(after.starts_with(between));
  FUZZ_CHECK(after.substr(between.size()).starts_with(closing));
  return 0;
}

// The page counter and its numeric value. Input starting with 0xFF: an order-list page built
// with the page N of M chosen by the input must read back as N and M. Any other input: the
// counter cut from it must be the text between the tag's ">" and the next "<", and the
// numeric values of the input, of the counter and of its two halves must agree with a
// decimal reading of the number done in floating point wherever that reading is exact.

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "orders/text.h"
#include "tests/support/order_pages.h"

namespace {

using ordertable::NumericValue;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The leading number of `text`, split into its parts, as the numeric value reads it.
struct LeadingNumber {
  bool negative = false;
  std::string integer_digits;  // without leading zeros
  std::string fraction_digits;
  std::string literal;  // sign, digits, point and fraction, for strtod
};

LeadingNumber ReadLeadingNumber(std::string_view text) {
  LeadingNumber number;
  std::size_t i = text.find_first_not_of(" \t\n");
  if (i == std::string_view::npos) return number;
  if (text[i] == '+' || text[i] == '-') {
    number.negative = text[i] == '-';
    number.literal.push_back(text[i]);
    ++i;
  }
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    number.literal.push_back(text[i]);
    if (!number.integer_digits.empty() || text[i] != '0') number.integer_digits.push_back(text[i]);
  }
  if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
    number.literal.push_back('.');
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      number.literal.push_back(text[i]);
      number.fraction_digits.push_back(text[i]);
    }
  }
  return number;
}

void CheckNumericValue(std::string_view text) {
  const std::int64_t value = NumericValue(text);
  const LeadingNumber number = ReadLeadingNumber(text);
  const std::size_t digits = number.integer_digits.size() + number.fraction_digits.size();
  if (number.integer_digits.size() > 19) {
    // Beyond every 64-bit integer: the value saturates instead of wrapping.
    FUZZ_CHECK(value == (number.negative ? kMin : kMax));
  } else if (number.fraction_digits.empty() && !number.integer_digits.empty()) {
    // A whole number is read exactly, up to the ends of the 64-bit range.
    const std::string whole = (number.negative ? "-" : "") + number.integer_digits;
    std::int64_t exact = 0;
    const std::errc error = std::from_chars(whole.data(), whole.data() + whole.size(), exact).ec;
    if (error == std::errc::result_out_of_range) exact = number.negative ? kMin : kMax;
    FUZZ_CHECK(error == std::errc() || error == std::errc::result_out_of_range);
    FUZZ_CHECK(value == exact);
  } else if (digits <= 15) {
    // A double holds such a number closely enough that rounding it to the nearest integer,
    // halves to even, gives the exact answer.
    const double read = number.literal.empty() ? 0.0 : std::strtod(number.literal.c_str(), nullptr);
    FUZZ_CHECK(value == static_cast<std::int64_t>(std::nearbyint(read)));
  }
  if (number.negative) {
    FUZZ_CHECK(value <= 0);
  } else {
    FUZZ_CHECK(value >= 0);
  }
  // Blanks before the number do not change it.
  FUZZ_CHECK(NumericValue(" \t\n" + std::string(text)) == value);
}

void CheckCutCounter(std::string_view page) {
  const std::string counter = ordertable::CutPageCounter(page);
  const std::size_t tag = page.find(ordertable::kPageCounterTag);
  if (tag == std::string_view::npos) {
    FUZZ_CHECK(counter.empty());
    return;
  }
  if (counter.empty()) return;
  // The counter stands right after the first ">" that follows the tag's "<" and runs up to
  // a "<"; only its first byte may itself be a "<".
  const std::size_t close = page.find('>', tag + 1);
  FUZZ_CHECK(close != std::string_view::npos);
  FUZZ_CHECK(page.substr(close + 1).starts_with(counter));
  FUZZ_CHECK(page.substr(close + 1 + counter.size()).starts_with('<'));
  FUZZ_CHECK(counter.find('<', 1) == std::string::npos);

  const ordertable::PageCounter read = ordertable::ReadPageCounter(page);
  const std::size_t slash = counter.find('/');
  FUZZ_CHECK(read.number == NumericValue(std::string_view(counter).substr(0, slash)));
  if (slash == std::string::npos) {
    FUZZ_CHECK(read.total == 0);
  } else {
    FUZZ_CHECK(read.total == NumericValue(std::string_view(counter).substr(slash + 1)));
  }
  CheckNumericValue(counter);
  if (slash != std::string::npos) CheckNumericValue(std::string_view(counter).substr(slash + 1));
}

void CheckGeneratedPage(FuzzedDataProvider& input) {
  ordertable::test::PageSpec page_spec;
  page_spec.page = input.ConsumeIntegral<int>();
  page_spec.total_pages = input.ConsumeIntegral<int>();
  page_spec.line_breaks =
      input.ConsumeBool() ? ordertable::test::LineBreaks::kCrLf : ordertable::test::LineBreaks::kLf;
  page_spec.head_kib = 0;
  const std::string page = ordertable::CleanUpText(ordertable::test::BuildPageSource(page_spec));
  const ordertable::PageCounter read = ordertable::ReadPageCounter(page);
  FUZZ_CHECK(read.number == page_spec.page);
  FUZZ_CHECK(read.total == page_spec.total_pages);
  // Every 64-bit integer written in decimal reads back as itself.
  const std::int64_t any = input.ConsumeIntegral<std::int64_t>();
  FUZZ_CHECK(NumericValue(std::to_string(any)) == any);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] == 0xFF) {
    FuzzedDataProvider input(data + 1, size - 1);
    CheckGeneratedPage(input);
    return 0;
  }
  const std::string_view text = ordertable::fuzz::AsText(data, size);
  CheckNumericValue(text);
  CheckCutCounter(text);
  return 0;
}

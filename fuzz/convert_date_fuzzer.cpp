// Date conversion. Input starting with 0xFF: an order-time line as the order page prints it,
// with a date chosen by the input, must convert to that date. Any other input: the line is
// converted and compared with the conversion worked out step by step on 1-based positions.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <string>

#include "fuzz/fuzz_check.h"
#include "orders/text.h"
#include "tests/support/order_pages.h"

namespace {

constexpr std::array<const char*, 12> kAbbreviations = {
    "Jan.", "Feb.", "Mar.", "Apr.", "May.", "Jun.", "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// 1-based position of the last "</span>" in any letter case, 0 for none.
long LastSpanEnd(const std::string& line) {
  const std::string needle = "</span>";
  long found = 0;
  for (long p = 1; p + 6 <= static_cast<long>(line.size()); ++p) {
    bool same = true;
    for (long k = 0; k < 7; ++k) same = same && Lower(line[p - 1 + k]) == needle[k];
    if (same) found = p;
  }
  return found;
}

// 1-based position of the first `c` at or after `from`, 0 for none.
long FindFrom(const std::string& line, char c, long from) {
  for (long p = from; p >= 1 && p <= static_cast<long>(line.size()); ++p) {
    if (line[p - 1] == c) return p;
  }
  return 0;
}

// The "four characters before </span>" on a short line are those the line has.
std::string Mid(const std::string& line, long from, long count) {
  if (from < 1) {
    count += from - 1;
    from = 1;
  }
  if (count <= 0 || from > static_cast<long>(line.size())) return {};
  return line.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}

std::string ReferenceDate(const std::string& line) {
  const long p = LastSpanEnd(line);
  if (p == 0) return {};
  std::string result = Mid(line, p - 4, 4) + "-";
  for (std::size_t m = 0; m < kAbbreviations.size(); ++m) {
    if (line.find(kAbbreviations[m]) != std::string::npos) {
      result += (m < 9 ? "0" : "") + std::to_string(m + 1);
    }
  }
  const long q = FindFrom(line, '.', 1);
  if (q == 0) return {};
  const long s = q + 2;
  const long r = FindFrom(line, ' ', s);
  if (r == 0) return {};
  return result + "-" + Mid(line, s, r - s);
}

void CheckPrintedOrderTime(FuzzedDataProvider& input) {
  ordertable::test::TestOrder order;
  order.year = input.ConsumeIntegralInRange(1000, 9999);
  order.month = input.ConsumeIntegralInRange(1, 12);
  order.day = input.ConsumeIntegralInRange(1, 31);
  order.hour = input.ConsumeIntegralInRange(0, 23);
  order.minute = input.ConsumeIntegralInRange(0, 59);
  const std::string line = "<span class=\"info-body\">" + order.OrderTime() + "</span>";
  const std::string expected = std::to_string(order.year) + (order.month < 10 ? "-0" : "-") +
                               std::to_string(order.month) + "-" + std::to_string(order.day);
  FUZZ_CHECK(ordertable::ConvertDate(line) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] == 0xFF) {
    FuzzedDataProvider input(data + 1, size - 1);
    CheckPrintedOrderTime(input);
    return 0;
  }
  const std::string line(ordertable::fuzz::AsText(data, size));
  FUZZ_CHECK(ordertable::ConvertDate(line) == ReferenceDate(line));
  return 0;
}

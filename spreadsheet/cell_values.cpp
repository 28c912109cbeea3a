#include "spreadsheet/cell_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "orders/ascii.h"

namespace ordertable {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

using ascii::IsDigit;

// `text` without the spaces, tabs and no-break spaces around it.
std::string_view TrimmedBlanks(std::string_view text) {
  constexpr std::string_view kNoBreakSpace = "\xC2\xA0";
  for (;;) {
    if (text.starts_with(' ') || text.starts_with('\t')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kNoBreakSpace)) {
      text.remove_prefix(kNoBreakSpace.size());
    } else if (text.ends_with(' ') || text.ends_with('\t')) {
      text.remove_suffix(1);
    } else if (text.ends_with(kNoBreakSpace)) {
      text.remove_suffix(kNoBreakSpace.size());
    } else {
      return text;
    }
  }
}

// Days from 1970-01-01 to the date, for any date of the proleptic Gregorian calendar.
long DaysFromEpoch(CalendarDate date) {
  const long year = date.year - (date.month <= 2 ? 1 : 0);
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long year_of_era = year - era * 400;
  const long day_of_year =
      (153 * (date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5 + date.day - 1;
  const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Reads 1 to `max_digits` digits from the front of `text`.
std::optional<int> TakeNumber(std::string_view& text, std::size_t min_digits,
                              std::size_t max_digits) {
  std::size_t length = 0;
  while (length < text.size() && IsDigit(text[length])) ++length;
  if (length < min_digits || length > max_digits) return std::nullopt;
  int value = 0;
  std::from_chars(text.data(), text.data() + length, value);
  text.remove_prefix(length);
  return value;
}

struct CurrencyMark {
  std::string_view mark;
  std::string_view code;
};

// Marks as the marketplace shows prices; "$", "¥" and "kr" name more than one currency and
// stay as written.
constexpr CurrencyMark kCurrencyMarks[] = {
    {"US $", "USD"},         {"US$", "USD"},        {"\xE2\x82\xAC", "EUR"},  // €
    {"\xC2\xA3", "GBP"},                                                      // £
    {"R$", "BRL"},           {"C$", "CAD"},         {"CA $", "CAD"},
    {"CA$", "CAD"},          {"AU $", "AUD"},       {"AU$", "AUD"},
    {"A$", "AUD"},           {"NZ $", "NZD"},       {"NZ$", "NZD"},
    {"MX $", "MXN"},         {"MX$", "MXN"},        {"S$", "SGD"},
    {"HK$", "HKD"},          {"NT$", "TWD"},        {"\xD1\x80\xD1\x83\xD0\xB1.", "RUB"},  // руб.
    {"\xE2\x82\xBD", "RUB"},                                                               // ₽
    {"z\xC5\x82", "PLN"},                                                                  // zł
    {"\xE2\x82\xB4", "UAH"},                                                               // ₴
    {"\xE2\x82\xB9", "INR"},                                                               // ₹
    {"\xE2\x82\xA9", "KRW"},                                                               // ₩
    {"\xE2\x82\xBA", "TRY"},                                                               // ₺
    {"\xE2\x82\xAA", "ILS"},                                                               // ₪
    {"\xE0\xB8\xBF", "THB"},                                                               // ฿
    {"\xE2\x82\xAB", "VND"},                                                               // ₫
    {"\xE2\x82\xB1", "PHP"},                                                               // ₱
    {"K\xC4\x8D", "CZK"},                                                                  // Kč
    {"Ft", "HUF"},           {"Rp", "IDR"},         {"RM", "MYR"},
    {"JP\xC2\xA5", "JPY"},   {"CN\xC2\xA5", "CNY"}, {"lei", "RON"},
};

std::string CurrencyCode(std::string_view mark) {
  for (const CurrencyMark& known : kCurrencyMarks) {
    if (known.mark == mark) return std::string(known.code);
  }
  return std::string(mark);  // a code such as "CHF" stands for itself, and so does the rest
}

// The bytes of a number that only group its digits: blanks, apostrophes and the no-break,
// narrow no-break and thin spaces.
std::size_t GroupingLength(std::string_view text) {
  if (text.starts_with(' ') || text.starts_with('\'')) return 1;
  for (std::string_view space : {"\xC2\xA0", "\xE2\x80\xAF", "\xE2\x80\x89", "\xE2\x80\x99"}) {
    if (text.starts_with(space)) return space.size();
  }
  return 0;
}

// The decimal sign of digits written with "." and "," (grouping bytes left out); 0 for none.
char DecimalSign(std::string_view number) {
  const std::size_t dot = number.rfind('.');
  const std::size_t comma = number.rfind(',');
  if (dot != kNone && comma != kNone) return dot > comma ? '.' : ',';
  if (dot == kNone && comma == kNone) return 0;
  const char sign = dot != kNone ? '.' : ',';
  const std::size_t at = std::min(dot, comma);
  const bool once = number.find(sign) == at;
  // "12,000" and "1.234" group thousands; "0,123" and "12.5" have decimals.
  const bool thousands = once && number.size() - at - 1 == 3 && at >= 1 && at <= 3 &&
                         number[0] != '0' && number.find_first_of(".,") == at;
  return once && !thousands ? sign : 0;
}

}  // namespace

std::optional<CalendarDate> ReadDate(std::string_view text) {
  text = TrimmedBlanks(text);
  CalendarDate date;
  const auto year = TakeNumber(text, 4, 4);
  if (!year || text.empty()) return std::nullopt;
  const char separator = text[0];
  if (separator != '-' && separator != '/' && separator != '.') return std::nullopt;
  text.remove_prefix(1);
  const auto month = TakeNumber(text, 1, 2);
  if (!month || text.empty() || text[0] != separator) return std::nullopt;
  text.remove_prefix(1);
  const auto day = TakeNumber(text, 1, 2);
  if (!day || !text.empty()) return std::nullopt;
  date = {*year, *month, *day};
  if (date.year < 1900 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month) || (date.year == 1900 && date.month < 3)) {
    return std::nullopt;
  }
  return date;
}

long DateSerialNumber(CalendarDate date) {
  constexpr long kDaysFrom18991230To19700101 = 25569;
  return DaysFromEpoch(date) + kDaysFrom18991230To19700101;
}

std::string IsoDate(CalendarDate date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::optional<Money> ReadMoney(std::string_view price) {
  const std::size_t first = price.find_first_of("0123456789");
  if (first == kNone) return std::nullopt;
  const std::size_t last = price.find_last_of("0123456789");
  // Digits, "." and ","; anything else between the first and the last digit means a second
  // number ("US $1.00 - 2.00") or no price at all.
  std::string number;
  for (std::size_t at = first; at <= last;) {
    const char c = price[at];
    if (IsDigit(c) || c == '.' || c == ',') {
      number += c;
      ++at;
    } else if (const std::size_t grouping = GroupingLength(price.substr(at)); grouping > 0) {
      at += grouping;
    } else {
      return std::nullopt;
    }
  }
  const char decimal_sign = DecimalSign(number);
  std::string plain;
  for (const char c : number) {
    if (c == decimal_sign) {
      plain += '.';
    } else if (IsDigit(c)) {
      plain += c;
    }
  }
  Money money;
  const auto [end, error] =
      std::from_chars(plain.data(), plain.data() + plain.size(), money.amount);
  if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
  const std::string_view before = TrimmedBlanks(price.substr(0, first));
  const std::string_view after = TrimmedBlanks(price.substr(last + 1));
  if (!before.empty() && !after.empty()) {
    money.currency = std::string(before) + " " + std::string(after);
  } else {
    money.currency = CurrencyCode(before.empty() ? after : before);
  }
  return money;
}

std::optional<double> ReadDecimal(std::string_view text) {
  text = TrimmedBlanks(text);
  if (text.empty()) return std::nullopt;
  std::string plain = "0";  // so that ".66" reads
  bool sign_seen = false;
  bool digit_seen = false;
  for (const char c : text) {
    if (IsDigit(c)) {
      digit_seen = true;
      plain += c;
    } else if ((c == '.' || c == ',') && !sign_seen) {
      sign_seen = true;
      plain += '.';
    } else {
      return std::nullopt;
    }
  }
  if (!digit_seen) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
  return value;
}

std::string NumberText(double value) {
  std::array<char, 32> text;
  const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
  return std::string(text.data(), end);
}

}  // namespace ordertable

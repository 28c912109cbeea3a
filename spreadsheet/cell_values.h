#pragma once

// Reading the dates, prices and ratings that the table shows as text, so that a spreadsheet
// gets them as dates and numbers it can sort and sum.

#include <optional>
#include <string>
#include <string_view>

namespace ordertable {

/// A day of the Gregorian calendar.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;

  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

/// The date of a year-month-day text such as "2019-03-15" or "2019-3-5" (the table does not
/// pad the day), also with "/" or "." between the parts; nothing unless it names a real day
/// from 1900-03-01 to 9999-12-31, the days every spreadsheet can show.
std::optional<CalendarDate> ReadDate(std::string_view text);

/// The number by which a spreadsheet stores `date`: days since 1899-12-30.
long DateSerialNumber(CalendarDate date);

/// "2019-03-05": the form that every spreadsheet reads as a date.
std::string IsoDate(CalendarDate date);

/// A price split into its amount and its currency.
struct Money {
  double amount = 0;
  /// The ISO 4217 code for a currency mark it knows ("US $" gives "USD", "€" "EUR"), else the
  /// mark as written; empty when the price carries none.
  std::string currency;
};

/// The amount and currency of a price as the table shows it ("US $12.34", "€1.234,50",
/// "R$132,74", "1 234,56 руб."): the last of "." and "," is the decimal sign, unless it
/// stands once with three digits after it, which makes it a thousands separator ("₩12,000").
/// Nothing when the text holds no number, or more than one.
std::optional<Money> ReadMoney(std::string_view price);

/// A number written with a point or a comma as its decimal sign ("4.84", ".66", "4,5", "5");
/// nothing for any other text.
std::optional<double> ReadDecimal(std::string_view text);

/// The shortest text that reads back as `value`, with a point: "12.34", "0.66", "5".
std::string NumberText(double value);

}  // namespace ordertable

#include "spreadsheet/order_sheet.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "spreadsheet/cell_values.h"

namespace ordertable {
namespace {

SheetCell Text(std::string text) { return {CellKind::kText, std::move(text), 0}; }
SheetCell Number(std::string text, double number) {
  return {CellKind::kNumber, std::move(text), number};
}
SheetCell Date(std::string text, double serial) {
  return {CellKind::kDate, std::move(text), serial};
}

TEST(CellValuesTest, ReadsPricesDatesAndRatingsAsTheTableShowsThem) {
  const struct {
    const char* price;
    std::optional<double> amount;
    const char* currency;
  } prices[] = {
      {"US $12.34", 12.34, "USD"},
      {"US $1,299.00", 1299, "USD"},
      {"\xE2\x82\xAC"
       "1.234,50",
       1234.5, "EUR"},
      {"R$132,74", 132.74, "BRL"},
      {"1\xC2\xA0"
       "234,56 \xD1\x80\xD1\x83\xD0\xB1.",
       1234.56, "RUB"},
      {"\xE2\x82\xA9"
       "12,000",
       12000, "KRW"},
      {"CHF 0,125", 0.125, "CHF"},
      {"12.5", 12.5, ""},
      {"", std::nullopt, ""},
      {"Free", std::nullopt, ""},
      {"US $1.00 - 2.00", std::nullopt, ""},
  };
  for (const auto& c : prices) {
    SCOPED_TRACE(c.price);
    const auto money = ReadMoney(c.price);
    ASSERT_EQ(money.has_value(), c.amount.has_value());
    if (!money) continue;
    EXPECT_DOUBLE_EQ(money->amount, *c.amount);
    EXPECT_EQ(money->currency, c.currency);
  }

  const struct {
    const char* text;
    std::optional<CalendarDate> date;
  } dates[] = {
      {"2019-03-15", CalendarDate{2019, 3, 15}},
      {"2019-3-5", CalendarDate{2019, 3, 5}},
      {"2020/02/29", CalendarDate{2020, 2, 29}},
      {"2019-02-29", std::nullopt},
      {"2019--15", std::nullopt},
      {"1900-01-01", std::nullopt},
      {"15.03.2019", std::nullopt},
      {"2019-03-15x", std::nullopt},
  };
  for (const auto& c : dates) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadDate(c.text), c.date);
  }
  EXPECT_EQ(DateSerialNumber({1970, 1, 1}), 25569);
  EXPECT_EQ(DateSerialNumber({2019, 3, 15}), 43539);
  EXPECT_EQ(DateSerialNumber({1900, 3, 1}), 61);
  EXPECT_EQ(IsoDate({2019, 3, 5}), "2019-03-05");

  EXPECT_EQ(ReadDecimal("4.84"), 4.84);
  EXPECT_EQ(ReadDecimal(".66"), 0.66);
  EXPECT_EQ(ReadDecimal(" 4,5 "), 4.5);
  EXPECT_EQ(ReadDecimal("5"), 5);
  for (const char* not_a_number : {"", ".", "4.5.1", "five", "-1", "1e3"}) {
    EXPECT_EQ(ReadDecimal(not_a_number), std::nullopt) << not_a_number;
  }
}

TEST(OrderSheetTest, SplitsEveryCellIntoTheTextsOfItsColumns) {
  TableRow reply_row;  // as a row made from an order-list reply: several products, escapes
  reply_row.cells.order_id = "8214562390017734";
  reply_row.cells.date = "2026-08-28";
  reply_row.cells.price =
      "\xE2\x82\xAC"
      "23.91";
  reply_row.cells.status = "Awaiting delivery";
  reply_row.cells.image =
      "<a target='_blank' href='https://ae-pic-a1.aliexpress-media.com/kf/S3c.jpg'><img "
      "src='https://ae-pic-a1.aliexpress-media.com/kf/S3c.jpg_220x220.jpg'></a>";
  reply_row.cells.description =
      "<a target='_blank' href='https://www.aliexpress.com/item/1.html?a=1&amp;b=2'>Heat Shrink "
      "Tube Kit 2:1 &#8211; Red &amp; Black</a><br><a target='_blank' "
      "href='https://www.aliexpress.com/item/2.html'>&lt;b&gt;Solder&lt;/b&gt;  Wire "
      "&quot;60/40&quot; &#39;1mm&#39;</a>";
  reply_row.cells.options = "Color: Red &amp; Black<br>Ships From: China";
  reply_row.cells.store =
      "<a target='_blank' href='https://www.aliexpress.com/store/1104417265'>MakerLab Store</a>";
  reply_row.rating = "<span class='stars'>4,5</span>";

  TableRow edited_row;  // a row a shopper rewrote by hand, in the ANSI code page
  edited_row.cells.order_id = " 8012000000000010 ";
  edited_row.cells.date = "2019--15";
  edited_row.cells.price = "Free";
  edited_row.cells.status = "<b>Finished</b>";
  // Rows of new tables load their picture lazily, the older ones did not: both are read.
  edited_row.cells.image = "<img loading=\"lazy\" src=\"//ae01.alicdn.com/kf/HTB1.jpg\">";
  edited_row.cells.description = "Caf\xE9 mug \x93Nordic\x94\x01";
  edited_row.cells.store = "Shenzhen Store";
  edited_row.rating = "<span class='stars'>great</span>";

  const Sheet sheet = OrderSheet({reply_row, edited_row});
  ASSERT_EQ(sheet.columns.size(), 13u);
  EXPECT_EQ(sheet.columns[0].title, "Order id");
  EXPECT_EQ(sheet.columns[12].title, "Rating");
  ASSERT_EQ(sheet.lines.size(), 2u);
  const std::vector<SheetCell> reply_line = {
      Text("8214562390017734"),
      Date("2026-08-28", 46262),
      Text("\xE2\x82\xAC"
           "23.91"),
      Number("23.91", 23.91),
      Text("EUR"),
      Text("Awaiting delivery"),
      Text("Heat Shrink Tube Kit 2:1 \xE2\x80\x93 Red & Black\n<b>Solder</b> Wire \"60/40\" '1mm'"),
      Text(
          "https://www.aliexpress.com/item/1.html?a=1&b=2\nhttps://www.aliexpress.com/item/2.html"),
      Text("Color: Red & Black\nShips From: China"),
      Text("MakerLab Store"),
      Text("https://www.aliexpress.com/store/1104417265"),
      Text("https://ae-pic-a1.aliexpress-media.com/kf/S3c.jpg"),
      Number("4.5", 4.5),
  };
  EXPECT_EQ(sheet.lines[0], reply_line);
  const std::vector<SheetCell> edited_line = {
      Text("8012000000000010"),
      Text("2019--15"),
      Text("Free"),
      Text(""),
      Text(""),
      Text("Finished"),
      Text("Caf\xC3\xA9 mug \xE2\x80\x9CNordic\xE2\x80\x9D"),
      Text(""),
      Text(""),
      Text("Shenzhen Store"),
      Text(""),
      Text("//ae01.alicdn.com/kf/HTB1.jpg"),
      Text("great"),
  };
  EXPECT_EQ(sheet.lines[1], edited_line);
}

}  // namespace
}  // namespace ordertable

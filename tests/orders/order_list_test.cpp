// The order-list reader and its rows: generated captures of every shape against the orders
// they were made from, the texts that hold no reply, the cached capture, and the row cells.
#include "orders/order_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orders/order_list_rows.h"
#include "tests/support/order_captures.h"

namespace ordertable {
namespace {

using test::CaptureSpec;
using test::HarFlavour;

std::vector<test::TestListOrder> Orders(int count) {
  return test::MakeListedOrders(count, 8214562390017734, 3);
}

TEST(OrderListTest, GeneratedCapturesGiveTheirOrdersNewestFirstAndTheirRows) {
  struct Case {
    const char* what;
    int orders;
    CaptureSpec capture_spec;
  };
  const auto with = [](auto change) {
    CaptureSpec made;
    change(made);
    return made;
  };
  const Case cases[] = {
      {"Chrome, three replies", 25, {}},
      {"Firefox, with cookies", 25, with([](CaptureSpec& s) { s.flavour = HarFlavour::kFirefox; })},
      {"saved through Notepad", 12, with([](CaptureSpec& s) { s.bom_and_crlf = true; })},
      {"shifted list and a reload", 31, with([](CaptureSpec& s) { s.duplicates = true; })},
      {"refused, then retried", 14, with([](CaptureSpec& s) { s.refused_retry = true; })},
      {"cut short", 20, with([](CaptureSpec& s) { s.complete = false; })},
      {"replies only", 9, with([](CaptureSpec& s) { s.unrelated = false; })},
      {"one order per reply", 4, with([](CaptureSpec& s) { s.per_reply = 1; })},
      {"no order at all", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CaptureSpec capture_spec = c.capture_spec;
    capture_spec.orders = Orders(c.orders);
    const OrderListCapture capture = ReadOrderListCapture(test::BuildCapture(capture_spec));
    EXPECT_EQ(capture.orders, test::ListedOrders(capture_spec.orders));
    EXPECT_EQ(RowsOfCapture(capture), test::ExpectedListRows(capture_spec.orders));
    EXPECT_EQ(capture.reaches_end, capture_spec.complete);
    const int replies =
        c.orders == 0 ? 1 : (c.orders + capture_spec.per_reply - 1) / capture_spec.per_reply;
    EXPECT_EQ(capture.answered, replies + (capture_spec.duplicates ? 1 : 0));
    EXPECT_EQ(capture.replies, capture.answered + (capture_spec.refused_retry ? 1 : 0));
    EXPECT_EQ(capture.pages, c.orders == 0 ? 0 : replies);
  }
}

TEST(OrderListTest, RepliesOutsideTheBasicPlaneAreReadFromBase64) {
  // The generator puts an emoji in about one order in twelve; make sure some reply holds one.
  const std::vector<test::TestListOrder> orders = Orders(40);
  const std::string har = test::BuildCapture({.orders = orders});
  // Chrome writes such a reply in base64: the emoji's bytes are nowhere in the HAR's text.
  ASSERT_EQ(har.find("\xF0\x9F\x94\xA5"), std::string::npos);
  bool emoji = false;
  for (const ListedOrder& order : ReadOrderListCapture(har).orders) {
    emoji = emoji || order.lines.front().title.find("\xF0\x9F\x94\xA5") != std::string::npos;
  }
  EXPECT_TRUE(emoji);
}

TEST(OrderListTest, RefusedRepliesAreCountedButGiveNoOrder) {
  const OrderListCapture capture =
      ReadOrderListCapture(test::BuildCapture({.orders = Orders(15), .all_refused = true}));
  EXPECT_EQ(capture.replies, 2);
  EXPECT_EQ(capture.answered, 0);
  EXPECT_TRUE(capture.orders.empty());
  EXPECT_FALSE(capture.reaches_end);
}

TEST(OrderListTest, OneReplyAsCopiedFromTheResponseTab) {
  const std::vector<test::TestListOrder> orders = Orders(10);
  const std::string reply = test::ReplyText(orders, 2, true);
  const std::string jsonp = test::ReplyText(orders, 3, false, 7);
  // The JSONP reply is the list's last page, the plain one is not.
  const std::pair<std::string, bool> texts[] = {{reply, false},
                                                {"\xEF\xBB\xBF\r\n" + reply + "\r\n", false},
                                                {jsonp, true},
                                                {jsonp + ";\r\n", true},
                                                {" mtopjsonp12 ( " + reply + " ) ;", false}};
  for (const auto& [text, last_page] : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    const OrderListCapture capture = ReadOrderListCapture(text);
    EXPECT_EQ(capture.orders, test::ListedOrders(orders));
    EXPECT_EQ(capture.replies, 1);
    EXPECT_EQ(capture.reaches_end, last_page);
  }
}

TEST(OrderListTest, TextsWithoutAReplyGiveNone) {
  const std::string reply = test::ReplyText(Orders(2), 1, false);
  std::string other_api = reply;
  other_api.replace(other_api.find("order.list"), 10, "order.lisp");
  const std::string texts[] = {
      "",
      "\xEF\xBB\xBF",
      "<!DOCTYPE html><html><script>var p={api:\"mtop.aliexpress.trade.buyer.order.list\"}"
      "</script></html>",
      other_api,
      reply.substr(0, reply.size() / 2),
      "[" + reply + "]",
      "{\"log\":{\"entries\":[{\"request\":{\"url\":\"https://acs.aliexpress.com/h5/"
      "mtop.aliexpress.trade.buyer.order.list/1.0/\",\"method\":\"OPTIONS\"},\"response\":{}}]}}",
      "{\"log\":{\"entries\":[{\"response\":{\"content\":{\"text\":\"!!!not base64\","
      "\"encoding\":\"base64\"}}}]}}",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 60));
    const OrderListCapture capture = ReadOrderListCapture(text);
    EXPECT_EQ(capture.replies, 0);
    EXPECT_TRUE(capture.orders.empty());
  }
  EXPECT_TRUE(MentionsOrderListApi(texts[2]));
  EXPECT_FALSE(MentionsOrderListApi(other_api));
}

TEST(OrderListTest, PlainTextMarkedAsBase64IsTakenAsItIs) {
  // Older Firefox exports marked some plain text as base64.
  std::string escaped;
  for (const char c : test::ReplyText(Orders(3), 1, false, 1)) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  const std::string har = "{\"log\":{\"entries\":[{\"response\":{\"content\":{\"text\":\"" +
                          escaped + "\",\"encoding\":\"base64\"}}}]}}";
  EXPECT_EQ(ReadOrderListCapture(har).orders, test::ListedOrders(Orders(3)));
}

TEST(OrderListTest, TheCachedCaptureKeepsTheOrdersAndTheEndButNotTheSession) {
  for (const bool complete : {true, false}) {
    CaptureSpec capture_spec{
        .orders = Orders(23), .flavour = HarFlavour::kFirefox, .complete = complete};
    const OrderListCapture capture = ReadOrderListCapture(test::BuildCapture(capture_spec));
    const std::string stored = StoredCaptureText(capture);
    const OrderListCapture again = ReadOrderListCapture(stored);
    EXPECT_EQ(again.orders, capture.orders);
    EXPECT_EQ(again.reaches_end, complete);
    EXPECT_EQ(stored.find("SECRET-SESSION-TOKEN"), std::string::npos);
    EXPECT_EQ(stored.find("linkage"), std::string::npos);
  }
}

TEST(OrderListTest, CapturesOfSeveralFilesJoinInTheirOrder) {
  const std::vector<test::TestListOrder> orders = Orders(15);
  const std::vector<test::TestListOrder> first(orders.begin(), orders.begin() + 10);
  const std::vector<test::TestListOrder> second(orders.begin() + 9, orders.end());
  OrderListCapture capture = ReadOrderListCapture(test::ReplyText(first, 1, true, 1));
  AppendCapture(capture, ReadOrderListCapture(test::ReplyText(second, 2, false)));
  EXPECT_EQ(capture.orders, test::ListedOrders(orders));
  EXPECT_TRUE(capture.reaches_end);
  EXPECT_EQ(capture.pages, 2);
}

TEST(OrderListRowsTest, DatesInTheFormsTheListWrites) {
  const std::pair<const char*, const char*> cases[] = {
      {"Aug 28, 2026", "2026-08-28"},
      {"Jul 3, 2026", "2026-07-3"},
      {"May 16, 2019", "2019-05-16"},
      {"September 09, 2024", "2024-09-9"},
      {"Dec. 1, 2023", "2023-12-1"},
      {"12. M\xC3\xA4r 2024", "2024-03-12"},
      {"1. Dez 2021", "2021-12-1"},
      {"28 ao\xC3\xBBt 2026", "28 ao\xC3\xBBt 2026"},
      {"Aug 32, 2026", "Aug 32, 2026"},
      {"2026-08-28", "2026-08-28"},
      {"<b>yesterday</b>", "&lt;b&gt;yesterday&lt;/b&gt;"},
      {"", ""},
  };
  for (const auto& [text, date] : cases) EXPECT_EQ(ConvertListDate(text), date) << text;
}

TEST(OrderListRowsTest, SellersTextIsEscapedAndAddressesStayInTheirAttributes) {
  ListedOrder order;
  order.id = "8214562390017734";
  order.date = "Aug 28, 2026";
  order.status = "Awaiting <delivery>";
  order.store_name = "Tom & Jerry's \"Store\"";
  order.store_url = "javascript:alert(1)//'><script>";
  order.lines.push_back({.title = "Cable \xC3\xA9\xFF\xC3 & <b>",
                         .item_url = "//www.aliexpress.com/item/1.html?q='x'",
                         .image_url = "//ae01.alicdn.com/kf/S1.jpg_220x220.jpg",
                         .price = "\xE2\x82\xAC"
                                  "9.87",
                         .quantity = 3,
                         .options = {{"Color", "Red & Black"}, {"Size", "<XL>"}}});
  order.lines.push_back({.title = "Second",
                         .item_url = "https://example.com/2\n\x05\xA2\xC3\xA9",
                         .image_url = "",
                         .price = "US $1.00",
                         .quantity = 1,
                         .options = {}});
  const OrderRow row = RowOfListedOrder(order);
  EXPECT_EQ(row.order_id, "8214562390017734");
  EXPECT_EQ(row.date, "2026-08-28");
  EXPECT_EQ(row.status, "Awaiting &lt;delivery&gt;");
  EXPECT_EQ(row.price,
            "3 x \xE2\x82\xAC"
            "9.87 + US $1.00");
  EXPECT_EQ(row.image,
            "<a target='_blank' href='https://ae01.alicdn.com/kf/S1.jpg'><img "
            "src='https://ae01.alicdn.com/kf/S1.jpg_220x220.jpg' width='50' height='50' loading='lazy'></a>");
  EXPECT_EQ(row.description,
            "<a target='_blank' href='https://www.aliexpress.com/item/1.html?q=%27x%27'>Cable "
            "\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD &amp; &lt;b&gt;</a> x3<br><a target='_blank' "
            "href='https://example.com/2%0A%05%A2\xC3\xA9'>Second</a>");
  EXPECT_EQ(row.options, "Color: Red &amp; Black, Size: &lt;XL&gt;<br>");
  EXPECT_EQ(row.store,
            "<a target='_blank' href='https://javascript:alert(1)//%27%3E%3Cscript%3E'>Tom &amp; "
            "Jerry&#39;s &quot;Store&quot;</a>");
}

TEST(OrderListRowsTest, ThumbnailSuffixesOnlyComeOffWhereTheyAreSizes) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://a.com/kf/S1.jpg_220x220.jpg", "https://a.com/kf/S1.jpg"},
      {"https://a.com/kf/S1.png_50x50.png", "https://a.com/kf/S1.png"},
      {"https://a.com/kf/S1/160x160.png", "https://a.com/kf/S1/160x160.png"},
      {"https://a.com/kf/my_picture.jpg", "https://a.com/kf/my_picture.jpg"},
      {"https://a.com/k_f/S1_220x220.jpg", "https://a.com/k_f/S1_220x220.jpg"},
  };
  for (const auto& [thumbnail, full] : cases) {
    ListedOrder order;
    order.lines.emplace_back().image_url = thumbnail;
    EXPECT_EQ(RowOfListedOrder(order).image, std::string("<a target='_blank' href='") + full +
                                                 "'><img src='" + thumbnail +
                                                 "' width='50' height='50' loading='lazy'></a>");
  }
}

TEST(OrderListRowsTest, EscapedUnicodeBecomesUtf8SurrogatePairsIncluded) {
  const std::string reply =
      "{\"api\":\"mtop.aliexpress.trade.buyer.order.list\",\"ret\":[\"SUCCESS::ok\"],"
      "\"data\":{\"data\":{\"b\":{\"tag\":\"pc_om_list_body\",\"fields\":{\"hasMore\":false}},"
      "\"o\":{\"tag\":\"pc_om_list_order\",\"fields\":{\"orderId\":\"1\",\"orderLines\":[{"
      "\"itemTitle\":\"\\u00e9\\u4e00\\ud83d\\ude00\"}]}}},"
      "\"hierarchy\":{\"structure\":{\"b\":[\"o\"]}}}}";
  const OrderListCapture capture = ReadOrderListCapture(reply);
  ASSERT_EQ(capture.orders.size(), 1u);
  EXPECT_EQ(capture.orders[0].lines[0].title, "\xC3\xA9\xE4\xB8\x80\xF0\x9F\x98\x80");
  EXPECT_TRUE(capture.reaches_end);
}

}  // namespace
}  // namespace ordertable

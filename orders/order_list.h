#pragma once

// Today's order list: the replies of the marketplace's order-list API, as the browser's
// developer tools hand them over. A HAR holds every request of the page with its reply; "Copy
// response" gives the text of one reply, plain JSON or JSONP. A reply is recognised by its own
// text, never by its address or resource type: the API's name also stands in preflight and
// beacon addresses, in the page shell and in the order-list script.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordertable {

/// The API whose replies carry the order list; each reply names it in its "api".
inline constexpr std::string_view kOrderListApi = "mtop.aliexpress.trade.buyer.order.list";

/// One line item of a listed order; texts as the reply's JSON decodes them (UTF-8).
struct ListedLine {
  std::string title;      ///< itemTitle, the seller's text
  std::string item_url;   ///< itemDetailUrl, usually protocol-relative
  std::string image_url;  ///< itemImgUrl, a thumbnail
  std::string price;      ///< itemPriceText, the unit price
  std::int64_t quantity = 1;
  /// skuAttrs as (name, text) pairs; empty for a line without options.
  std::vector<std::pair<std::string, std::string>> options;

  friend bool operator==(const ListedLine&, const ListedLine&) = default;
};

/// One order of the order list.
struct ListedOrder {
  std::string id;          ///< orderId, the string (never the number of utParams)
  std::string date;        ///< orderDateText, such as "Aug 28, 2026"
  std::string status;      ///< statusText
  std::string total;       ///< totalPriceText; empty on the old orders that lack it
  std::string store_name;  ///< storeName, the seller's text
  std::string store_url;   ///< storePageUrl, usually protocol-relative
  std::vector<ListedLine> lines;

  friend bool operator==(const ListedOrder&, const ListedOrder&) = default;
};

/// What a capture holds.
struct OrderListCapture {
  /// Where a text that should be JSON (a HAR, a reply) stops parsing: cut short (it ends
  /// there), or something that is no JSON stands there.
  enum class Fault { kNone, kCutShort, kNotJson };

  int replies = 0;   ///< order-list replies found, refused ones included
  int answered = 0;  ///< of them, the successful ones
  /// Of the successful ones, those of another view of the list than the whole of it (another
  /// tab, time span or a search), whose orders and end are left out: "To pay" ends early.
  int filtered = 0;
  /// Order components left out because their order id is neither a string of digits nor a
  /// JSON integer; each counted once.
  int unreadable_orders = 0;
  Fault fault = Fault::kNone;
  std::size_t fault_at = 0;   ///< for a fault: the byte offset in the text where it breaks
  bool fault_in_har = false;  ///< for a fault: the text starts as a HAR does
  int pages = 0;              ///< successful replies that gave at least one order not seen before
  bool reaches_end = false;   ///< a successful reply is the list's last page ("hasMore" not true)
  /// The list's pages by their "pageIndex": the first one read and the highest one read (0
  /// when no reply numbered its page), and whether a page came after a gap above the pages read
  /// before it (a reply without its text, or files given out of order). Orders are missing
  /// then, and when the first page read is not 1.
  std::int64_t first_page = 0;
  std::int64_t last_page = 0;
  bool page_missing = false;
  /// Newest first: the first reply first, each in its list order, an order seen twice kept
  /// where it was first seen.
  std::vector<ListedOrder> orders;

  friend bool operator==(const OrderListCapture&, const OrderListCapture&) = default;
};

/// Reads a HAR (Chrome, Edge, Firefox) or the text of one reply (JSON or JSONP), with or without
/// a UTF-8 byte order mark. Any text is accepted: one that holds no order-list reply gives a
/// capture with `replies` 0, and `fault` says where one that starts like JSON stops parsing.
/// An unpaired surrogate escape reads as U+FFFD. The text is parsed in place, hence taken by
/// value.
OrderListCapture ReadOrderListCapture(std::string text);

/// The view of the whole list in a reply's header-action component: every tab, all time, no
/// search.
bool IsWholeListView(std::string_view status_tab, std::string_view time_option,
                     std::string_view search_input);

/// Adds the replies of `later` after those of `capture`, as if they had been read in one text.
void AppendCapture(OrderListCapture& capture, const OrderListCapture& later);

/// One reply that holds the orders of `capture` in their order and says whether the list was
/// read to its end: all a later build needs, and nothing of the shopper's session.
/// ReadOrderListCapture gives back the same orders and the same end of the list.
std::string StoredCaptureText(const OrderListCapture& capture);

/// True when `text` names the order-list API anywhere (today's page source does, without a
/// reply).
bool MentionsOrderListApi(std::string_view text);

}  // namespace ordertable

#pragma once

// Captures of today's order list for tests, benchmarks, the fuzz target and sample files, as
// the browser's developer tools hand them over: a HAR of the order page (Chrome's or
// Firefox's), or the text of one reply.
//
// The orders come from MakeListedOrders(); CaptureSpec says how the list is split into replies
// and what else the capture holds. BuildCapture() writes every reply as the marketplace sends
// it (components keyed in no list order, the first reply as JSONP, the markup and numbers it
// carries beside the fields) inside a HAR with the entries a real session has around it: the
// page shell and the order-list script naming the API, a CORS preflight and a tracking beacon
// whose addresses name it, another API's reply, pictures in base64. Chrome exports a reply in
// base64 when one of its titles holds a character outside the Basic Multilingual Plane; the
// generator does the same.
//
//   std::vector<TestListOrder> orders = MakeListedOrders(25, 8214000000007734, /*seed=*/1);
//   CaptureSpec capture_spec;
//   capture_spec.orders = orders;                        // three replies of 10, 10 and 5
//   std::string har = BuildCapture(capture_spec);        // as "Copy all as HAR" gives it
//   RowList expected = ExpectedListRows(orders);  // what the table must show
//
// Everything is deterministic: the same arguments give the same bytes on every platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "orders/order_list.h"
#include "orders/order_row.h"

namespace ordertable::test {

/// One order of the list with the date its row must show.
struct TestListOrder {
  ListedOrder order;
  std::string date_cell;  ///< "2026-08-28"; the date text itself when the form is not a date
};

/// `count` orders with ids from `first_id` up, newest first. Content depends on the id and
/// `seed` alone, so overlapping ranges made with the same seed hold the same orders. Among
/// them: several lines, lines without options, old orders without a total, dates in English,
/// German and an unreadable form, titles and store names with markup, quotes, ampersands,
/// non-Latin scripts and (about one order in twelve) an emoji outside the BMP.
std::vector<TestListOrder> MakeListedOrders(int count, std::int64_t first_id, std::uint32_t seed);

/// The browser whose HAR exporter writes the capture.
/// Who wrote the HAR: a browser's developer tools, or our bookmark (only the list's replies, as
/// JSON, under the API's address without query, on one line).
enum class HarFlavour { kChrome, kFirefox, kBookmark };

/// How a capture is laid out.
struct CaptureSpec {
  std::vector<TestListOrder> orders;  ///< the list, newest first
  int per_reply = 10;
  HarFlavour flavour = HarFlavour::kChrome;
  /// The last reply says "hasMore": false. When not, the list looks cut short.
  bool complete = true;
  /// A refused reply (expired token) right before the first good one, as a retried call leaves.
  bool refused_retry = false;
  /// Every order-list reply refused (the session expired): no order at all.
  bool all_refused = false;
  /// The last order of each reply also opens the next one (a new order shifted the list), and
  /// a reload at the end repeats the first reply.
  bool duplicates = false;
  /// The unrelated entries: page shell, script, preflight, beacon, another API's reply.
  bool unrelated = true;
  /// Pictures in base64 added until the HAR holds about this many bytes (0: one small picture).
  std::size_t size_bytes = 0;
  /// Without pictures the HAR is a few kilobytes: a fuzzer reads many more of them.
  bool pictures = true;
  /// As saved through Notepad: a UTF-8 byte order mark and CR LF line ends.
  bool bom_and_crlf = false;
  /// Chrome's copy "with sensitive data": the cookies stay in, as Firefox's HAR always keeps them.
  bool sensitive_data = false;
  /// The view of the list every reply names: "all" for the whole list, or a tab
  /// ("processing", "unpaid") the shopper chose.
  std::string tab = "all";
  /// After the list's replies, the finished first page of this other tab (its first three
  /// orders), as when the shopper clicks a tab while capturing; empty for none.
  std::string then_tab = "";
  /// Order ids as JSON numbers instead of strings; the last `null_ids` orders have a null id.
  bool numeric_ids = false;
  int null_ids = 0;
  /// The session token in the cookies of a HAR that keeps them.
  std::string session_token = "SECRET-SESSION-TOKEN_1788774073218";
};

/// The HAR of `capture_spec`.
std::string BuildCapture(const CaptureSpec& capture_spec);

/// The text of one reply holding `orders`, page `page_index` of the list, as "Copy response"
/// gives it: JSONP named mtopjsonpN for `jsonp_number` above 0, else plain JSON.
std::string ReplyText(const std::vector<TestListOrder>& orders, int page_index, bool has_more,
                      int jsonp_number = 0);

/// The row the table must show for `order`, built from its parts by the rules of the table,
/// not by the program's row mapping.
OrderRow ExpectedListRow(const TestListOrder& order);

/// ExpectedListRow of each order, in order.
RowList ExpectedListRows(const std::vector<TestListOrder>& orders);

/// The ListedOrder of each, in order: what reading a capture of them must give.
std::vector<ListedOrder> ListedOrders(const std::vector<TestListOrder>& orders);

}  // namespace ordertable::test

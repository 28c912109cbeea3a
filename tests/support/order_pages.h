#pragma once

// Realistic order-list pages for tests, benchmarks and sample files.
//
// A page is built from a PageSpec: the orders it lists (newest first), its place N of M in
// the list, and the shape of its source text. BuildPageSource() lays the page out the way the
// marketplace's server-rendered template prints it: a long head with scripts and styles, the
// four page markers ("<html>", "Alibaba Manufacturer Directory", the pager label
// `<label class="ui-label">N/M</label>` and "</html>"), then one order block per order, one
// element per line, indented, with blank lines in between. That is the text a user copies
// from the browser's source view. The program cleans it (CleanUpText) before it stores or
// reads it; CachedPageText() gives that cleaned text, and WriteCachedPage() stores it where
// the program keeps its cached page files.
//
// ExpectedRow() gives, independently of the extractor, the row that the program must read
// from an order's block: every field, with the links built as the table shows them.
//
//   std::vector<TestOrder> orders = MakeOrders(25, 8012000000000000, /*seed=*/1);
//   std::vector<PageSpec> pages = SplitIntoPages(orders, 10);   // pages 1/3, 2/3, 3/3
//   pages[0].line_breaks = LineBreaks::kCrLf;
//   std::string clipboard = BuildPageSource(pages[0]);         // as copied from the browser
//   WriteCachedPages(folder, pages);                             // folder/tmp/AE_orders_01.html
//   ... RowList expected = ExpectedRows(orders);                     // what a build must extract
//
// Everything is deterministic: the same arguments give the same bytes on every platform.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "orders/order_row.h"

namespace ordertable::test {

/// One product line of an order.
struct TestProduct {
  /// The product page as the page links it, protocol-relative: "//www.aliexpress.com/item/N.html".
  std::string item_url;
  /// The full-size picture as the page names it (no thumbnail suffix), usually protocol-relative
  /// ("//ae01.alicdn.com/kf/HTB1....jpg"), sometimes with a scheme.
  std::string image_url;
  /// Appended to image_url to give the thumbnail address on the page: "_50x50.jpg",
  /// "_50x50.png" or empty (the page then shows the full-size address as the thumbnail).
  std::string thumbnail_suffix;
  /// The title as the page shows it: may hold double quotes, "&amp;" and UTF-8 bytes, never
  /// "<" or ">".
  std::string title;
  /// The options text, such as "Color:Black Size:XL"; empty when the product has none.
  std::string options;
  std::string unit_price;  ///< "US $3.49"
  int quantity = 1;

  /// The address in the page's img element: image_url + thumbnail_suffix.
  std::string ThumbnailUrl() const { return image_url + thumbnail_suffix; }
};

/// One order block of an order-list page.
struct TestOrder {
  std::string id;  ///< the order id text, such as "8012345678901234"
  int year = 2019;
  int month = 3;  ///< 1 to 12
  int day = 15;
  int hour = 10;
  int minute = 35;
  std::string price;                  ///< the amount text as on the page, such as "US $12.34"
  std::string status;                 ///< "Finished", "Awaiting delivery", ...
  std::string store_name;             ///< as on the page; may hold double quotes and UTF-8 bytes
  std::string store_url;              ///< protocol-relative: "//www.aliexpress.com/store/N"
  std::vector<TestProduct> products;  ///< at least one; the row takes the first

  /// The order time line's text, such as "10:35 Mar. 15 2019".
  std::string OrderTime() const;
};

/// `count` orders with the ids first_id, first_id + 1, ... in that order (the page order,
/// newest first: dates go back as the id grows). An order's content depends only on its id
/// and `seed`, so overlapping id ranges made with the same seed hold identical orders. About
/// one order in four lists several products; titles with double quotes and UTF-8 bytes,
/// missing options, ".png" and suffix-less thumbnails and addresses with a scheme all occur.
std::vector<TestOrder> MakeOrders(int count, std::int64_t first_id, std::uint32_t seed);

/// How the page source breaks its lines.
enum class LineBreaks { kLf, kCrLf };

/// How the template indents its elements (one level per nesting depth).
enum class Indentation {
  kTabs,            ///< "\t\t\t"
  kSpaces,          ///< two spaces per level
  kTabsThenSpaces,  ///< tabs per level, then two spaces
};

/// One order-list page.
struct PageSpec {
  std::vector<TestOrder> orders;  ///< in page order, may be empty
  int page = 1;                   ///< N of the pager label N/M
  int total_pages = 1;            ///< M
  LineBreaks line_breaks = LineBreaks::kLf;
  Indentation indentation = Indentation::kTabs;
  /// Empty lines and blank-only lines (tabs before spaces, which the clean-up removes)
  /// between elements, and trailing blanks on some lines.
  bool blank_lines = true;
  /// Approximate size of the head's scripts and styles, in KiB.
  int head_kib = 24;
};

/// The page source as the browser's source view shows it: starts with "<!DOCTYPE html>",
/// ends with the ">" of "</html>", holds all four page markers.
std::string BuildPageSource(const PageSpec& page_spec);

/// CleanUpText(BuildPageSource(page_spec)): the content of the page's cached page file.
std::string CachedPageText(const PageSpec& page_spec);

/// Splits `orders` into pages of `orders_per_page` (the last may be shorter), numbered 1/M to
/// M/M with default layout. No orders give one empty page 1/1.
std::vector<PageSpec> SplitIntoPages(const std::vector<TestOrder>& orders, int orders_per_page);

/// Writes CachedPageText(page_spec) to folder/tmp/AE_orders_NN.html (NN = page_spec.page), creating
/// folder/tmp when needed; returns the file's path. Throws std::runtime_error on failure.
std::filesystem::path WriteCachedPage(const std::filesystem::path& folder,
                                      const PageSpec& page_spec);

/// WriteCachedPage for each page.
void WriteCachedPages(const std::filesystem::path& folder, const std::vector<PageSpec>& pages);

/// The row that extraction must give for `order`, built from the order's parts, not by the
/// extractor's rules: date "YYYY-MM-D", links on https, quotes in the title turned to "'".
OrderRow ExpectedRow(const TestOrder& order);

/// ExpectedRow of each order, in order.
RowList ExpectedRows(const std::vector<TestOrder>& orders);

}  // namespace ordertable::test

#include "tests/support/order_pages.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "files/files.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "tests/support/generator_parts.h"

namespace ordertable::test {
namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {
    "Jan.", "Feb.", "Mar.", "Apr.", "May.", "Jun.", "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};

constexpr std::array<std::string_view, 16> kTitles = {
    "10PCS LED Strip Light Connector 4 Pin 10mm",
    "Phone Case for iPhone 7 8 Plus 5.5\" Soft TPU Silicone Cover",
    "Caf\xC3\xA9 Ceramic Mug 350ml \xE2\x80\x93 Nordic Style",
    "USB C Cable 3A Fast Charging Type-C Data Cord 1m 2m 3m",
    "\xE8\x93\x9D\xE7\x89\x99\xE8\x80\xB3\xE6\x9C\xBA Wireless Bluetooth Earphones TWS",
    "Stainless Steel Kitchen Knife Set 8\" Chef &amp; Paring",
    "Men's Winter Jacket Thick Warm Parka Coat",
    "1/4\" Hex Shank Drill Bit Set \"Titanium\" Coated 13pcs",
    "\xC3\x89tui en cuir pour Samsung Galaxy S9",
    "Mini Digital Multimeter DC AC Voltage Current Tester",
    "Silicone Baking Mat Non-Stick 40x30cm",
    "Hair Clipper Professional Rechargeable Trimmer",
    "Adjustable Laptop Stand Aluminium 11-17\"",
    "Cotton Socks 5 Pairs \xE2\x80\x9CHappy\xE2\x80\x9D Funny Pattern",
    "Resistor Kit 600pcs 1/4W 30 Values 1% Metal Film",
    "Bicycle Light Set USB Rechargeable Front &amp; Rear",
};

constexpr std::array<std::string_view, 10> kStores = {
    "Shenzhen Gadget Store",       "UGREEN Official Store",
    "Baseus \"Global\" Store",     "Home Life Co., Ltd.",
    "Caf\xC3\xA9 & Kitchen Store", "Kiss Wife Store",
    "Tool Master Store",           "\xE4\xB8\x80\xE5\x8F\xB7 Fashion Store",
    "XYZ Electronic Components",   "Outdoor Sports Town",
};

constexpr std::array<std::string_view, 10> kOptions = {
    "Color:Black",
    "Color:Red Size:XL",
    "Ships From:China Color:2 PCS",
    "Length:1m",
    "Emitting Color:Warm White Wattage:5W",
    "Size:6.5\"",
    "Color:Transparent Material:TPU",
    "Plug Type:EU",
    "Color:\xE7\xBA\xA2\xE8\x89\xB2",
    "Package:Set A Quantity:13 pcs",
};

constexpr std::array<std::string_view, 6> kStatuses = {
    "Finished", "Awaiting delivery", "Awaiting Shipment", "Fund Processing",
    "Closed",   "Awaiting payment",
};

std::string Money(int cents) {
  char text[32];
  std::snprintf(text, sizeof text, "US $%d.%02d", cents / 100, cents % 100);
  return text;
}

// Proleptic Gregorian date of a day count from 1970-01-01.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t mp = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

TestProduct MakeProduct(Random& random) {
  TestProduct product;
  product.item_url = "//www.aliexpress.com/item/32" + random.Digits(9) + ".html";
  const int picture = random.Below(10);
  const std::string name = "HTB1" + random.Letters(24);
  if (picture < 6) {
    product.image_url = "//ae01.alicdn.com/kf/" + name + ".jpg";
    product.thumbnail_suffix = "_50x50.jpg";
  } else if (picture < 8) {
    product.image_url = "//ae01.alicdn.com/kf/" + name + ".png";
    product.thumbnail_suffix = "_50x50.png";
  } else if (picture < 9) {
    product.image_url = "https://ae01.alicdn.com/kf/" + name + ".jpg";
    product.thumbnail_suffix = "_50x50.jpg";
  } else {
    product.image_url = "//ae01.alicdn.com/kf/" + name + ".jpeg";
  }
  product.title = random.Pick(kTitles);
  if (!random.OneIn(4)) product.options = random.Pick(kOptions);
  product.quantity = 1 + (random.OneIn(3) ? random.Below(5) : 0);
  product.unit_price = Money(49 + random.Below(5000));
  return product;
}

TestOrder MakeOrder(std::int64_t id, std::uint32_t seed) {
  Random random(static_cast<std::uint64_t>(id) * 0x100000001B3ull ^ seed);
  TestOrder order;
  order.id = std::to_string(id);
  // Two orders a day, going back from the end of 2023 as the id grows; the cycle repeats
  // every 7300 ids, far more than any test lists.
  const std::int64_t cycle = ((id % 7300) + 7300) % 7300;
  CivilFromDays(19722 - cycle / 2, order.year, order.month, order.day);
  order.hour = random.Below(24);
  order.minute = random.Below(60);
  order.status = random.Pick(kStatuses);
  order.store_name = random.Pick(kStores);
  order.store_url = "//www.aliexpress.com/store/" + std::to_string(100000 + random.Below(4000000));
  const int products = random.OneIn(4) ? 2 + random.Below(3) : 1;
  int cents = 0;
  for (int i = 0; i < products; ++i) {
    order.products.push_back(MakeProduct(random));
    cents += 49 + random.Below(5000);
  }
  order.price = Money(cents);
  return order;
}

std::string Replaced(std::string_view text, char from, std::string_view to) {
  std::string out;
  for (char c : text) {
    if (c == from) {
      out += to;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Attribute(std::string_view text) { return Replaced(text, '"', "&quot;"); }

std::string HttpsIfRelative(const std::string& url) {
  return url.starts_with("//") ? "https:" + url : url;
}

// Prints one element per line the way the server's template does: indentation by depth,
// now and then blank lines before an element and blanks after it.
class PageWriter {
 public:
  PageWriter(const PageSpec& page_spec, std::uint64_t layout_seed)
      : spec_(page_spec),
        random_(layout_seed),
        line_break_(page_spec.line_breaks == LineBreaks::kCrLf ? "\r\n" : "\n") {}

  void Line(int depth, std::string_view text) {
    if (spec_.blank_lines && !out_.empty() && random_.OneIn(7)) BlankLines(depth);
    out_ += Indent(depth);
    out_ += text;
    if (spec_.blank_lines && random_.OneIn(11)) out_ += random_.OneIn(2) ? " " : "\t ";
    out_ += line_break_;
  }

  // The last line: the page source ends with "</html>", no break after it.
  void LastLine(std::string_view text) { out_ += text; }

  std::string Take() { return std::move(out_); }

 private:
  std::string Indent(int depth) const {
    switch (spec_.indentation) {
      case Indentation::kTabs:
        return std::string(static_cast<std::size_t>(depth), '\t');
      case Indentation::kSpaces:
        return std::string(static_cast<std::size_t>(2 * depth), ' ');
      case Indentation::kTabsThenSpaces:
        return depth == 0 ? std::string()
                          : std::string(static_cast<std::size_t>(depth), '\t') + "  ";
    }
    return {};
  }

  // Empty or blank-only lines; the blanks are tabs before spaces, as template indentation is.
  void BlankLines(int depth) {
    const int count = 1 + random_.Below(3);
    for (int i = 0; i < count; ++i) {
      if (!random_.OneIn(3)) out_ += Indent(depth + random_.Below(3));
      out_ += line_break_;
    }
  }

  const PageSpec& spec_;
  Random random_;
  std::string line_break_;
  std::string out_;
};

void WriteHead(PageWriter& w, const PageSpec& page_spec) {
  w.Line(0, "<!DOCTYPE html>");
  w.Line(0, "<html>");
  w.Line(0, "<head>");
  w.Line(1, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  w.Line(1, "<title>My Orders</title>");
  w.Line(1,
         "<link rel=\"stylesheet\" type=\"text/css\" "
         "href=\"//assets.alicdn.com/g/ae-fe/order-list/0.0.31/index.css\">");
  w.Line(1, "<script type=\"text/javascript\">");
  w.Line(2, "window.runParams = {");
  w.Line(3, "\"csrfToken\": \"b1f4e2c0d9\",");
  w.Line(3, "\"page\": " + std::to_string(page_spec.page) + ",");
  w.Line(3, "\"pageSize\": " + std::to_string(page_spec.orders.size()));
  w.Line(2, "};");
  w.Line(1, "</script>");
  const std::size_t head_bytes = static_cast<std::size_t>(page_spec.head_kib) * 1024;
  std::size_t written = 0;
  for (int block = 0; written < head_bytes; ++block) {
    const std::string n = std::to_string(block);
    if (block % 3 == 2) {
      w.Line(1, "<style type=\"text/css\">");
      w.Line(2, ".order-item-wraper .col-" + n + " { margin: 0 0 4px; padding: 2px 8px; }");
      w.Line(2, ".order-item-wraper .col-" + n + ":hover { color: #ff4747; }");
      w.Line(2, ".order-body .cell-" + n + " > span { display: inline-block; width: 120px; }");
      w.Line(1, "</style>");
      written += 260;
      continue;
    }
    w.Line(1, "<script type=\"text/javascript\">");
    w.Line(2, "(function initBlock" + n + "(win, doc) {");
    w.Line(3, "var rows = doc.querySelectorAll(\"tbody.order-item-wraper\");");
    w.Line(3, "for (var i = 0; i < rows.length; i++) {");
    w.Line(4, "if (rows[i].getAttribute(\"data-block\") === \"" + n + "\" && i > 0) {");
    w.Line(5, "rows[i].className += ' seen';");
    w.Line(4, "}");
    w.Line(3, "}");
    w.Line(3, "win.dataLayer = win.dataLayer || [];");
    w.Line(3, "win.dataLayer.push({ event: 'orders', block: " + n +
                  ", path: '//www.aliexpress.com' });");
    w.Line(2, "})(window, document);");
    w.Line(1, "</script>");
    written += 470;
  }
  w.Line(0, "</head>");
}

void WritePagerAndTableHead(PageWriter& w, const PageSpec& page_spec) {
  w.Line(0, "<body data-spm=\"1000001\">");
  w.Line(1, "<div id=\"header\">");
  w.Line(2, "<div class=\"header-logo\">");
  w.Line(3,
         "<a href=\"//www.aliexpress.com\"><img src=\"//ae01.alicdn.com/kf/HTB1logo.png\" "
         "alt=\"AliExpress\"></a>");
  w.Line(2, "</div>");
  w.Line(1, "</div>");
  w.Line(1, "<div id=\"container\">");
  w.Line(2, "<form id=\"order-list-form\" action=\"/orderList.htm\" method=\"post\">");
  w.Line(3, "<div class=\"ui-pagination ui-pagination-front util-right\" id=\"simple-pager\">");
  w.Line(4, "<label class=\"ui-label\">" + std::to_string(page_spec.page) + "/" +
                std::to_string(page_spec.total_pages) + "</label>");
  w.Line(4, "<a class=\"ui-pagination-prev\" href=\"javascript:;\">Previous</a>");
  w.Line(4, "<a class=\"ui-pagination-next\" href=\"javascript:;\">Next</a>");
  w.Line(3, "</div>");
  w.Line(3, "<table class=\"order-table\" id=\"buyer-ordertable\">");
  w.Line(4, "<thead>");
  w.Line(5, "<tr>");
  w.Line(6, "<th class=\"product-sets\">Product</th>");
  w.Line(6, "<th class=\"status\">Order Status</th>");
  w.Line(6, "<th class=\"action\">Action</th>");
  w.Line(5, "</tr>");
  w.Line(4, "</thead>");
}

void WriteProduct(PageWriter& w, const TestProduct& product, int depth) {
  w.Line(depth, "<td class=\"product-sets\">");
  w.Line(depth + 1, "<div class=\"product-left\">");
  w.Line(depth + 2, "<a class=\"pic s50\" href=\"" + product.item_url + "\" title=\"" +
                        Attribute(product.title) + "\" target=\"_blank\">");
  w.Line(depth + 3,
         "<img src=\"" + product.ThumbnailUrl() + "\" alt=\"" + Attribute(product.title) + "\">");
  w.Line(depth + 2, "</a>");
  w.Line(depth + 1, "</div>");
  w.Line(depth + 1, "<div class=\"product-right\">");
  w.Line(depth + 2, "<p class=\"product-title\">");
  w.Line(depth + 3, "<a class=\"baobei-name\" href=\"" + product.item_url + "\" title=\"" +
                        Attribute(product.title) + "\" target=\"_blank\">" + product.title +
                        "</a>");
  w.Line(depth + 2, "</p>");
  w.Line(depth + 2, "<p class=\"product-amount\">");
  w.Line(depth + 3, "<span>" + product.unit_price + "</span>");
  w.Line(depth + 3, "<span>X" + std::to_string(product.quantity) + "</span>");
  w.Line(depth + 2, "</p>");
  w.Line(depth + 2, "<p class=\"product-property\">");
  if (product.options.empty()) {
    w.Line(depth + 2, "</p>");
    w.Line(depth + 2, "<p class=\"product-snapshot\">");
    w.Line(depth + 3,
           "<a href=\"//www.aliexpress.com/snapshot/0.html\" target=\"_blank\">Snapshot</a>");
  } else {
    w.Line(depth + 3, "<span>");
    w.Line(depth + 4, "<span class=\"val\">");
    w.Line(depth + 5, product.options);
    w.Line(depth + 4, "</span>");
    w.Line(depth + 3, "</span>");
  }
  w.Line(depth + 2, "</p>");
  w.Line(depth + 1, "</div>");
  w.Line(depth, "</td>");
}

void WriteOrder(PageWriter& w, const TestOrder& order) {
  const int d = 4;
  w.Line(d, "<tbody class=\"order-item-wraper\" id=\"tb-" + order.id + "\">");
  w.Line(d + 1, "<tr class=\"order-head\">");
  w.Line(d + 2, "<td class=\"order-info\">");
  w.Line(d + 3, "<p class=\"first-row\">");
  w.Line(d + 4, "<span class=\"info-title\">Order ID:</span>");
  w.Line(d + 4, "<span class=\"info-body\">" + order.id + "</span>");
  w.Line(d + 4,
         "<a class=\"view-detail-link\" href=\"//trade.aliexpress.com/order_detail.htm?orderId=" +
             order.id + "\" target=\"_blank\">View Detail</a>");
  w.Line(d + 3, "</p>");
  w.Line(d + 3, "<p class=\"second-row\">");
  w.Line(d + 4, "<span class=\"info-title\">Order time:</span>");
  w.Line(d + 4, "<span class=\"info-body\">" + order.OrderTime() + "</span>");
  w.Line(d + 3, "</p>");
  w.Line(d + 2, "</td>");
  w.Line(d + 2, "<td class=\"store-info\">");
  w.Line(d + 3, "<p class=\"first-row\">");
  w.Line(d + 4, "<span class=\"info-title\">Store name:</span>");
  w.Line(d + 4, "<span class=\"info-body\">" + order.store_name + "</span>");
  w.Line(d + 3, "</p>");
  w.Line(d + 3, "<p class=\"second-row\">");
  w.Line(d + 4, "<a class=\"store-url\" href=\"" + order.store_url +
                    "\" target=\"_blank\">View store</a>");
  w.Line(d + 4, "<a class=\"contact-seller\" href=\"javascript:;\">Contact seller</a>");
  w.Line(d + 3, "</p>");
  w.Line(d + 2, "</td>");
  w.Line(d + 2, "<td class=\"order-amount\">");
  w.Line(d + 3, "<div class=\"amount-body\">");
  w.Line(d + 4, "<p class=\"amount-num\">");
  w.Line(d + 5, order.price);
  w.Line(d + 4, "</p>");
  w.Line(d + 3, "</div>");
  w.Line(d + 2, "</td>");
  w.Line(d + 1, "</tr>");
  for (std::size_t i = 0; i < order.products.size(); ++i) {
    w.Line(d + 1, "<tr class=\"order-body\">");
    WriteProduct(w, order.products[i], d + 2);
    if (i == 0) {
      w.Line(d + 2, "<td class=\"order-status\" rowspan=\"" +
                        std::to_string(order.products.size()) + "\">");
      w.Line(d + 3, "<span class=\"f-left\">");
      w.Line(d + 4, "<span class=\"status-text\">");
      w.Line(d + 5, order.status);
      w.Line(d + 4, "</span>");
      w.Line(d + 3, "</span>");
      w.Line(d + 2, "</td>");
      w.Line(d + 2, "<td class=\"order-action\" rowspan=\"" +
                        std::to_string(order.products.size()) + "\">");
      w.Line(d + 3,
             "<button type=\"button\" class=\"ui-button ui-button-normal\" data-order_id=\"" +
                 order.id + "\">Add to cart</button>");
      w.Line(d + 2, "</td>");
    }
    w.Line(d + 1, "</tr>");
  }
  w.Line(d, "</tbody>");
}

void WriteTail(PageWriter& w) {
  w.Line(3, "</table>");
  w.Line(3, "<div class=\"ui-pagination ui-pagination-body util-right\">");
  w.Line(4, "<a class=\"ui-pagination-prev\" href=\"javascript:;\">Previous</a>");
  w.Line(4, "<a class=\"ui-pagination-next\" href=\"javascript:;\">Next</a>");
  w.Line(3, "</div>");
  w.Line(2, "</form>");
  w.Line(1, "</div>");
  w.Line(1, "<div id=\"footer\">");
  w.Line(2, "<a href=\"//www.alibaba.com/\" rel=\"nofollow\">Alibaba Manufacturer Directory</a>");
  w.Line(2, "<span class=\"copyright\">&copy; 2010-2019 All rights reserved.</span>");
  w.Line(1, "</div>");
  w.Line(0, "</body>");
  w.LastLine("</html>");
}

}  // namespace

std::string TestOrder::OrderTime() const {
  const std::string_view month_name =
      month >= 1 && month <= 12 ? kMonthNames[static_cast<std::size_t>(month - 1)] : "Xxx.";
  char text[64];
  std::snprintf(text, sizeof text, "%02d:%02d %s %d %d", hour, minute, month_name.data(), day,
                year);
  return text;
}

std::vector<TestOrder> MakeOrders(int count, std::int64_t first_id, std::uint32_t seed) {
  std::vector<TestOrder> orders;
  for (int i = 0; i < count; ++i) orders.push_back(MakeOrder(first_id + i, seed));
  return orders;
}

std::string BuildPageSource(const PageSpec& page_spec) {
  // The layout's blank lines depend on the page's place and first order, so that two pages
  // of one list differ, and the same page is laid out the same way every time.
  std::uint64_t layout_seed = 0xCBF29CE484222325ull + static_cast<std::uint64_t>(page_spec.page);
  if (!page_spec.orders.empty()) {
    for (char c : page_spec.orders[0].id)
      layout_seed = (layout_seed ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  }
  PageWriter w(page_spec, layout_seed);
  WriteHead(w, page_spec);
  WritePagerAndTableHead(w, page_spec);
  for (const TestOrder& order : page_spec.orders) WriteOrder(w, order);
  WriteTail(w);
  return w.Take();
}

std::string CachedPageText(const PageSpec& page_spec) {
  return CleanUpText(BuildPageSource(page_spec));
}

std::vector<PageSpec> SplitIntoPages(const std::vector<TestOrder>& orders, int orders_per_page) {
  if (orders_per_page < 1) throw std::invalid_argument("orders_per_page must be at least 1");
  const int total = orders.empty() ? 1
                                   : static_cast<int>((orders.size() + orders_per_page - 1) /
                                                      static_cast<std::size_t>(orders_per_page));
  std::vector<PageSpec> pages(static_cast<std::size_t>(total));
  for (int page = 0; page < total; ++page) {
    PageSpec& page_spec = pages[static_cast<std::size_t>(page)];
    page_spec.page = page + 1;
    page_spec.total_pages = total;
    const std::size_t first = static_cast<std::size_t>(page) * orders_per_page;
    for (std::size_t i = first; i < orders.size() && i < first + orders_per_page; ++i) {
      page_spec.orders.push_back(orders[i]);
    }
  }
  return pages;
}

std::filesystem::path WriteCachedPage(const std::filesystem::path& folder,
                                      const PageSpec& page_spec) {
  std::error_code error;
  std::filesystem::create_directories(folder / kCacheFolder, error);
  const std::filesystem::path path = CachedPageFile(folder, page_spec.page);
  if (!files::WriteFileAtomically(path, {CachedPageText(page_spec)})) {
    throw std::runtime_error("cannot write " + path.string());
  }
  return path;
}

void WriteCachedPages(const std::filesystem::path& folder, const std::vector<PageSpec>& pages) {
  for (const PageSpec& page_spec : pages) WriteCachedPage(folder, page_spec);
}

OrderRow ExpectedRow(const TestOrder& order) {
  OrderRow row;
  row.order_id = order.id;
  row.date = std::to_string(order.year) + (order.month < 10 ? "-0" : "-") +
             std::to_string(order.month) + "-" + std::to_string(order.day);
  row.price = order.price;
  row.status = order.status;
  row.store =
      "<a target='_blank' href='https:" + order.store_url + "'>" + order.store_name + "</a>";
  if (!order.products.empty()) {
    const TestProduct& product = order.products.front();
    row.image = "<a target='_blank' href='" + HttpsIfRelative(product.image_url) + "'><img src='" +
                HttpsIfRelative(product.ThumbnailUrl()) + "' loading='lazy'></a>";
    row.description = "<a target='_blank' href='https:" + product.item_url + "'>" +
                      Replaced(product.title, '"', "'") + "</a>";
    row.options = product.options;
  }
  return row;
}

RowList ExpectedRows(const std::vector<TestOrder>& orders) {
  RowList rows;
  for (const TestOrder& order : orders) rows.push_back(ExpectedRow(order));
  return rows;
}

}  // namespace ordertable::test

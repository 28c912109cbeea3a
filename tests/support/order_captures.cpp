#include "tests/support/order_captures.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "tests/support/generator_parts.h"

namespace ordertable::test {
namespace {

constexpr std::string_view kApi = "mtop.aliexpress.trade.buyer.order.list";
constexpr std::string_view kEmoji = "\xF0\x9F\x94\xA5";  // U+1F525, outside the BMP

constexpr std::array<std::string_view, 12> kTitles = {
    "Heat Shrink Tube Kit 530pcs 2:1 \xE2\x80\x93 Red & Black",
    "Digital Multimeter True RMS 6000 Counts Auto Range Tester",
    "\xC3\x89"
    "couteurs sans fil Bluetooth 5.3 \xE2\x80\x93 R\xC3\xA9"
    "duction de bruit",
    "USB C Cable 3A \"Fast\" Charging 1m 2m 3m",
    "<script>window.injected=1</script> Phone Holder",
    "\xD0\x9A\xD1\x80\xD0\xBE\xD1\x81\xD1\x81\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB8 "
    "\xD0\xB4\xD0\xBB\xD1\x8F \xD0\xB1\xD0\xB5\xD0\xB3\xD0\xB0",
    "Stainless Steel Knife Set 8' Chef &amp; Paring",
    "</td></tr><tr><td>Cotton Socks 5 Pairs",
    "\xE8\x93\x9D\xE7\x89\x99\xE8\x80\xB3\xE6\x9C\xBA TWS Earbuds",
    "Silicone Baking Mat <b>Non-Stick</b> 40x30cm",
    "Resistor Kit 600pcs 1/4W <!-- 30 Values --> 1%",
    "Tab\tand line\nbreak in a title",
};

constexpr std::array<std::string_view, 6> kStores = {
    "MakerLab Store",        "Sound Corner Store",           "Baseus \"Global\" Store",
    "Caf\xC3\xA9 & Kitchen", "<img src=x onerror=alert(1)>", "\xE4\xB8\x80\xE5\x8F\xB7 Store",
};

constexpr std::array<std::string_view, 5> kStatuses = {"Completed", "Awaiting delivery", "Closed",
                                                       "Expired", "Finished"};

constexpr std::array<std::string_view, 12> kEnglishMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> kGermanMonths = {
    "Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};

std::string Cents(const char* currency, int cents) {
  char text[48];
  std::snprintf(text, sizeof text, "%s%d.%02d", currency, cents / 100, cents % 100);
  return text;
}

ListedLine MakeLine(Random& random, bool emoji) {
  ListedLine line;
  line.title = std::string(random.Pick(kTitles));
  if (emoji) line.title += " " + std::string(kEmoji) + " Hot";
  line.item_url = "//www.aliexpress.com/item/100500" + random.Digits(10) + ".html";
  const std::string picture = "S" + random.Letters(32);
  switch (random.Below(3)) {
    case 0:
      line.image_url = "https://ae-pic-a1.aliexpress-media.com/kf/" + picture + ".jpg_220x220.jpg";
      break;
    case 1:
      line.image_url = "https://ae01.alicdn.com/kf/" + picture + ".png_220x220.png";
      break;
    default:
      line.image_url = "https://ae-pic-a1.aliexpress-media.com/kf/" + picture + "/160x160.png";
      break;
  }
  line.price = Cents(random.OneIn(2) ? "\xE2\x82\xAC" : "US $", 99 + random.Below(4000));
  line.quantity = random.OneIn(4) ? 2 + random.Below(4) : 1;
  if (!random.OneIn(3)) {
    line.options.emplace_back("Color", random.OneIn(2) ? "Red & Black" : "White <matte>");
    if (random.OneIn(2)) line.options.emplace_back("Ships From", "China");
  }
  return line;
}

TestListOrder MakeOrder(std::int64_t id, std::uint32_t seed) {
  Random random(static_cast<std::uint64_t>(id) * 2654435761u + seed);
  TestListOrder made;
  ListedOrder& order = made.order;
  order.id = std::to_string(id);
  const int year = 2019 + random.Below(8);
  const int month = 1 + random.Below(12);
  const int day = 1 + random.Below(28);
  const std::string day_text = std::to_string(day);
  char cell[32];
  std::snprintf(cell, sizeof cell, "%d-%02d-%d", year, month, day);
  made.date_cell = cell;
  const int form = random.Below(10);
  if (form < 7) {
    order.date =
        std::string(kEnglishMonths[month - 1]) + " " + day_text + ", " + std::to_string(year);
  } else if (form < 9) {
    order.date =
        day_text + ". " + std::string(kGermanMonths[month - 1]) + " " + std::to_string(year);
  } else {
    order.date = "vor " + day_text + " Tagen & mehr";
    made.date_cell = "vor " + day_text + " Tagen &amp; mehr";
  }
  order.status = std::string(random.Pick(kStatuses));
  order.store_name = std::string(random.Pick(kStores));
  order.store_url = "//www.aliexpress.com/store/" + random.Digits(10);
  const bool emoji = random.OneIn(12);
  const int lines = random.OneIn(4) ? 2 + random.Below(2) : 1;
  for (int i = 0; i < lines; ++i) order.lines.push_back(MakeLine(random, emoji && i == 0));
  // Old orders (2019 and 2020) come without a total now and then.
  if (!(year <= 2020 && random.OneIn(2))) {
    order.total = Cents(random.OneIn(3) ? "R$" : "\xE2\x82\xAC", 199 + random.Below(20000));
  }
  return made;
}

// ---------------------------------------------------------------------------------------------
// JSON text, written by hand so that it does not come from the library under test.

void AppendJsonString(std::string& out, std::string_view text, bool escape_non_ascii) {
  out.push_back('"');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char hex[16];
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == '\n') {
      out.append("\\n");
    } else if (c < 0x20) {
      std::snprintf(hex, sizeof hex, "\\u%04x", c);
      out.append(hex);
    } else if (c >= 0x80 && escape_non_ascii) {
      // Decode one UTF-8 sequence (the generator writes valid ones only) and write it as
      // \u escapes, a surrogate pair outside the BMP.
      const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      std::uint32_t code = c & (length == 4 ? 0x07 : length == 3 ? 0x0F : 0x1F);
      for (int k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
      i += static_cast<std::size_t>(length - 1);
      if (code >= 0x10000) {
        code -= 0x10000;
        std::snprintf(hex, sizeof hex, "\\u%04X\\u%04X", 0xD800 + (code >> 10),
                      0xDC00 + (code & 0x3FF));
      } else {
        std::snprintf(hex, sizeof hex, "\\u%04x", code);
      }
      out.append(hex);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  out.push_back('"');
}

std::string Json(std::string_view text, bool escape_non_ascii = false) {
  std::string out;
  AppendJsonString(out, text, escape_non_ascii);
  return out;
}

// One field "key":"value", with a comma before it unless it is the first.
void Field(std::string& out, std::string_view key, std::string_view value, bool escape) {
  if (out.back() != '{' && out.back() != '[') out.push_back(',');
  out.append(Json(key)).push_back(':');
  AppendJsonString(out, value, escape);
}

void RawField(std::string& out, std::string_view key, std::string_view raw) {
  if (out.back() != '{' && out.back() != '[') out.push_back(',');
  out.append(Json(key)).append(":").append(raw);
}

std::string LineJson(const ListedLine& line, const std::string& order_id, int index, bool escape) {
  std::string out = "{";
  Field(out, "currencyCode", "EUR", escape);
  RawField(out, "itemTags",
           "[{\"richText\":\"<font color=\\\"#009966\\\">Free returns</font>\","
           "\"type\":\"LOCAL_FREE_RETURN\"}]");
  Field(out, "itemDetailUrl", line.item_url, escape);
  Field(out, "itemImgUrl", line.image_url, escape);
  Field(out, "itemPriceText", line.price, escape);
  Field(out, "formatPriceInfo", line.price + "||", escape);
  Field(out, "itemTitle", line.title, escape);
  Field(out, "orderLineId", order_id + std::to_string(index), escape);
  RawField(out, "quantity", std::to_string(line.quantity));
  if (!line.options.empty()) {
    std::string attributes = "[";
    for (const auto& [name, text] : line.options) {
      if (attributes.size() > 1) attributes.push_back(',');
      attributes += "{\"id\":14,";
      attributes += Json("name") + ":" + Json(name, escape) + ",";
      attributes += Json("text") + ":" + Json(text, escape) + ",\"vid\":193}";
    }
    RawField(out, "skuAttrs", attributes + "]");
    Field(out, "skuAttrKeys", "14:193", escape);
  }
  return out + "}";
}

// How a reply writes its orders' ids and which view of the list it is of.
struct ReplyForm {
  bool escape = false;
  std::string_view tab = "all";
  bool numeric_ids = false;
  std::size_t null_ids_from = SIZE_MAX;  // orders from this place in the whole list on: null id
  std::size_t first_place = 0;           // the place of the reply's first order in the list
};

std::string OrderComponent(const ListedOrder& order, bool escape, std::string_view id_json) {
  std::string fields = "{";
  Field(fields, "baseCurrency", "CNY", escape);
  RawField(fields, "buttons",
           "[{\"displayType\":\"primary\",\"text\":\"Add to cart\",\"type\":\"REPURCHASE\"}]");
  if (!order.total.empty()) {
    Field(fields, "currencyCode", "EUR", escape);
    Field(fields, "formatPriceInfo", order.total + "||", escape);
  }
  Field(fields, "orderDateText", order.date, escape);
  Field(fields, "orderDetailUrl",
        "https://www.aliexpress.com/p/order/detail.html?orderId=" + order.id, escape);
  RawField(fields, "orderId", std::string(id_json));
  RawField(fields, "orderLineSize", std::to_string(order.lines.size()));
  std::string lines = "[";
  for (std::size_t i = 0; i < order.lines.size(); ++i) {
    if (i > 0) lines.push_back(',');
    lines += LineJson(order.lines[i], order.id, static_cast<int>(i), escape);
  }
  RawField(fields, "orderLines", lines + "]");
  Field(fields, "sellerConnectUrl", "//msg.aliexpress.com/msgDetail.htm?digest=5f0c", escape);
  Field(fields, "statusText", order.status, escape);
  Field(fields, "storeName", order.store_name, escape);
  Field(fields, "storePageUrl", order.store_url, escape);
  if (!order.total.empty()) Field(fields, "totalPriceText", order.total, escape);
  // The id as a JSON number too, which a double cannot hold exactly: the reader must not use it.
  RawField(fields, "utParams", "{\"args\":{\"orderId\":" + order.id + ",\"orderStatus\":9}}");
  fields += "}";
  return "{\"fields\":" + fields + ",\"id\":" + Json(order.id) +
         ",\"tag\":\"pc_om_list_order\",\"type\":\"pc_om_list_order\"}";
}

std::string Reply(const std::vector<const ListedOrder*>& orders, int page_index, bool has_more,
                  const ReplyForm& form) {
  const bool escape = form.escape;
  const std::string body_key = "pc_om_list_body_109702";
  std::vector<std::string> keys;
  std::string components = "{";
  // Components keyed in no list order: the last order first, the body among them.
  for (std::size_t i = orders.size(); i-- > 0;) {
    keys.insert(keys.begin(), "pc_om_list_order_" + orders[i]->id);
    const std::string id_json = form.first_place + i >= form.null_ids_from ? "null"
                                : form.numeric_ids                         ? orders[i]->id
                                                                           : Json(orders[i]->id);
    RawField(components, keys.front(), OrderComponent(*orders[i], escape, id_json));
    if (i == orders.size() / 2) {
      RawField(components, body_key,
               "{\"fields\":{\"hasMore\":" + std::string(has_more ? "true" : "false") +
                   ",\"hasMoreText\":\"View orders\",\"pageIndex\":" + std::to_string(page_index) +
                   ",\"pageSize\":10},\"id\":\"109702\",\"tag\":\"pc_om_list_body\"}");
    }
  }
  if (orders.empty()) {
    RawField(components, body_key,
             "{\"fields\":{\"hasMore\":" + std::string(has_more ? "true" : "false") +
                 "},\"tag\":\"pc_om_list_body\"}");
  }
  RawField(components, "pc_om_list_header_action_109701",
           "{\"fields\":{\"searchInput\":\"\",\"searchOption\":\"order\",\"statusTab\":" +
               Json(std::string(form.tab)) +
               ",\"timeOption\":\"all\"},\"tag\":\"pc_om_list_header_action\"}");
  RawField(components, "pc_om_list_page_109694",
           "{\"fields\":{\"i18n\":{\"order_ID\":\"Order ID\"}},\"tag\":\"pc_om_list_page\"}");
  components += "}";
  std::string list = "[";
  for (const std::string& key : keys) {
    if (list.size() > 1) list.push_back(',');
    list += Json(key);
  }
  list += "]";
  return "{\"api\":\"" + std::string(kApi) + "\",\"data\":{\"data\":" + components +
         ",\"hierarchy\":{\"root\":\"pc_om_list_page_109694\",\"structure\":{"
         "\"pc_om_list_page_109694\":[\"" +
         body_key + "\"],\"" + body_key + "\":" + list +
         "}},\"endpoint\":{\"mode\":\"PC\",\"osVersion\":\"PC\",\"protocolVersion\":\"3.0\"},"
         // Each reply's linkage differs: the next request must carry this one's.
         "\"linkage\":{\"common\":{\"queryParams\":\"OIB/7IhDpe87jhfE\"},\"signature\":"
         "\"b0f3f675c7082cc" +
         std::to_string(page_index) + "\"}},\"ret\":[\"SUCCESS::\xE8\xB0\x83\xE7\x94\xA8\xE6\x88\x90\xE5\x8A"
         "\x9F\"],\"traceId\":\"7c84cf6764279d02\",\"v\":\"1.0\"}";
}

constexpr std::string_view kRefusedReply =
    "{\"api\":\"mtop.aliexpress.trade.buyer.order.list\",\"data\":{},\"ret\":["
    "\"FAIL_SYS_TOKEN_EXOIRED::\xE4\xBB\xA4\xE7\x89\x8C\xE8\xBF\x87\xE6\x9C\x9F\"],\"v\":\"1.0\"}";

std::string Base64(std::string_view bytes) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16) |
                            (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                            static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(v >> shift) & 63]);
  }
  if (i < bytes.size()) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

bool OutsideBmp(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0xF0) return true;
  }
  return false;
}

// One HAR entry, written as the exporters write them (2-space indentation comes later).
struct Entry {
  std::string resource_type;  // Chrome only
  std::string method = "GET";
  std::string url;
  std::string mime_type;
  std::string text;  // the body; empty with `has_text` false for a body not kept
  bool has_text = true;
  bool base64 = false;
};

// `session_token` is empty for a HAR without cookies.
std::string EntryJson(const Entry& entry, HarFlavour flavour, std::string_view session_token) {
  std::string out = "{";
  if (flavour == HarFlavour::kChrome) {
    Field(out, "_resourceType", entry.resource_type, false);
    RawField(out, "_priority", "\"High\"");
  }
  std::string headers = "[{\"name\":\"accept-language\",\"value\":\"en-US,en;q=0.9\"}";
  std::string cookies = "[";
  if (!session_token.empty()) {
    // The shopper's session: the program must never store it.
    headers +=
        ",{\"name\":\"Cookie\",\"value\":" + Json("_m_h5_tk=" + std::string(session_token)) + "}";
    cookies += "{\"name\":\"_m_h5_tk\",\"value\":" + Json(session_token) + "}";
  }
  headers += "]";
  cookies += "]";
  std::string request = "{";
  Field(request, "method", entry.method, false);
  Field(request, "url", entry.url, false);
  RawField(request, "headers", headers);
  RawField(request, "cookies", cookies);
  request += "}";
  RawField(out, "request", request);
  std::string content = "{";
  RawField(content, "size", std::to_string(entry.text.size()));
  Field(content, "mimeType", entry.mime_type, false);
  if (entry.has_text) {
    Field(content, "text", entry.base64 ? Base64(entry.text) : entry.text, false);
    if (entry.base64) Field(content, "encoding", "base64", false);
  }
  content += "}";
  RawField(out, "response",
           "{\"status\":200,\"statusText\":\"\",\"content\":" + content + ",\"redirectURL\":\"\"}");
  RawField(out, "startedDateTime", "\"2026-09-07T09:41:12.601Z\"");
  return out + "}";
}

// Indents compact JSON the way the exporters do (two spaces), outside strings only.
std::string Indented(std::string_view json, std::string_view line_break) {
  std::string out;
  out.reserve(json.size() + json.size() / 8);
  int depth = 0;
  bool in_string = false;
  const auto new_line = [&] {
    out.append(line_break);
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
  };
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      // Copy the run of plain string bytes at once: pictures make most of a HAR.
      const std::size_t end = json.find_first_of("\"\\", i);
      out.append(json.substr(i, end - i));
      i = end;
      out.push_back(json[i]);
      if (json[i] == '\\') {
        out.push_back(json[++i]);
      } else {
        in_string = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        in_string = true;
        out.push_back(c);
        break;
      case '{':
      case '[':
        out.push_back(c);
        ++depth;
        new_line();
        break;
      case '}':
      case ']':
        --depth;
        new_line();
        out.push_back(c);
        break;
      case ',':
        out.push_back(c);
        new_line();
        break;
      case ':':
        out.append(": ");
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string ApiUrl(std::string_view type, int callback) {
  std::string url =
      "https://acs.aliexpress.com/h5/" + std::string(kApi) +
      "/1.0/?jsv=2.5.1&appKey=12574478&t=1788774073218&sign=bc4ad75c&api=" + std::string(kApi) +
      "&v=1.0&type=" + std::string(type);
  if (callback > 0) url += "&callback=mtopjsonp" + std::to_string(callback);
  return url;
}

std::string Picture(Random& random, std::size_t size) {
  std::string bytes = "\xFF\xD8\xFF\xE0";
  bytes.reserve(size);
  while (bytes.size() < size) bytes.push_back(static_cast<char>(random.Next() & 0xFF));
  return bytes;
}

}  // namespace

std::vector<TestListOrder> MakeListedOrders(int count, std::int64_t first_id, std::uint32_t seed) {
  std::vector<TestListOrder> orders;
  for (int i = 0; i < count; ++i) orders.push_back(MakeOrder(first_id + i, seed));
  return orders;
}

std::string ReplyText(const std::vector<TestListOrder>& orders, int page_index, bool has_more,
                      int jsonp_number) {
  std::vector<const ListedOrder*> listed;
  for (const TestListOrder& order : orders) listed.push_back(&order.order);
  const std::string reply = Reply(listed, page_index, has_more, {.escape = page_index % 2 == 0});
  if (jsonp_number <= 0) return reply;
  return "mtopjsonp" + std::to_string(jsonp_number) + "(" + reply + ")";
}

namespace {

// What the bookmark copies: a GET for the first page and a POST for each next one, every reply
// as its JSON text, in the order received.
std::string BookmarkCapture(const CaptureSpec& capture_spec) {
  const int per_reply = capture_spec.per_reply > 0 ? capture_spec.per_reply : 10;
  const std::size_t count = capture_spec.orders.size();
  const std::size_t replies = count == 0 ? 1 : (count + per_reply - 1) / per_reply;
  std::string log =
      "{\"log\":{\"version\":\"1.2\",\"creator\":{\"name\":\"OrderTable bookmark\","
      "\"version\":\"1.0\"},\"pages\":[{\"id\":\"page_1\",\"title\":"
      "\"https://www.aliexpress.com/p/order/index.html\"}],\"entries\":[";
  for (std::size_t r = 0; r < replies; ++r) {
    std::vector<const ListedOrder*> listed;
    for (std::size_t i = r * per_reply; i < count && i < (r + 1) * per_reply; ++i) {
      listed.push_back(&capture_spec.orders[i].order);
    }
    const bool last = r + 1 == replies;
    const int page = static_cast<int>(r) + 1;
    const Entry entry{"", r == 0 ? "GET" : "POST",
                      "https://acs.aliexpress.com/h5/" + std::string(kApi) + "/1.0/",
                      "application/json",
                      Reply(listed, page, !(last && capture_spec.complete),
                            {.escape = page % 2 == 0, .first_place = r * per_reply})};
    if (r > 0) log.push_back(',');
    log += EntryJson(entry, HarFlavour::kBookmark, "");
  }
  return log + "]}}";
}

}  // namespace

std::string BuildCapture(const CaptureSpec& capture_spec) {
  if (capture_spec.flavour == HarFlavour::kBookmark) return BookmarkCapture(capture_spec);
  const bool chrome = capture_spec.flavour == HarFlavour::kChrome;
  const std::string json_type = chrome ? "application/json" : "application/json;charset=UTF-8";
  std::vector<Entry> entries;
  if (capture_spec.unrelated) {
    entries.push_back(
        {"document", "GET", "https://www.aliexpress.com/p/order/index.html", "text/html",
         "<!DOCTYPE html><html><head><script>var prefetch = { api: \"" + std::string(kApi) +
             "\", v: \"1.0\" };</script></head><body>"
             "<div id=\"root\"></div></body></html>"});
    entries.push_back({"script", "GET", "https://assets.aliexpress-media.com/order-list/index.js",
                       "application/javascript",
                       "!function(){var e={api:\"" + std::string(kApi) +
                           "\",tag:\"pc_om_list_order\"};window.__list=e}();"});
    entries.push_back({"preflight", "OPTIONS", ApiUrl("originaljson", 0), "", "", false});
  }
  Random random(capture_spec.orders.size() * 31 + capture_spec.per_reply);
  // The order-list replies, first to last; the first is JSONP, loaded by a script tag.
  const int per_reply = capture_spec.per_reply > 0 ? capture_spec.per_reply : 10;
  const std::size_t count = capture_spec.orders.size();
  const std::size_t replies = count == 0 ? 1 : (count + per_reply - 1) / per_reply;
  std::vector<std::string> texts;
  for (std::size_t r = 0; r < replies; ++r) {
    std::vector<const ListedOrder*> listed;
    if (capture_spec.duplicates && r > 0)
      listed.push_back(&capture_spec.orders[r * per_reply - 1].order);
    for (std::size_t i = r * per_reply; i < count && i < (r + 1) * per_reply; ++i) {
      listed.push_back(&capture_spec.orders[i].order);
    }
    const bool last = r + 1 == replies;
    const int page = static_cast<int>(r) + 1;
    const ReplyForm form{
        .escape = page % 2 == 0,
        .tab = capture_spec.tab,
        .numeric_ids = capture_spec.numeric_ids,
        .null_ids_from = count - static_cast<std::size_t>(capture_spec.null_ids),
        .first_place =
            r * per_reply - (listed.size() > 0 && capture_spec.duplicates && r > 0 ? 1 : 0)};
    std::string reply = Reply(listed, page, !(last && capture_spec.complete), form);
    if (capture_spec.all_refused) reply = std::string(kRefusedReply);
    if (r == 0) reply = "mtopjsonp1(" + reply + ")";
    texts.push_back(reply);
  }
  // The shopper clicked another tab: its first page, which is also its last.
  if (!capture_spec.then_tab.empty()) {
    std::vector<const ListedOrder*> listed;
    for (std::size_t i = 0; i < count && i < 3; ++i)
      listed.push_back(&capture_spec.orders[i].order);
    texts.push_back(Reply(listed, 1, false, {.tab = capture_spec.then_tab}));
  }
  if (capture_spec.duplicates)
    texts.push_back("mtopjsonp" + std::to_string(replies + 1) + "(" +
                    texts.front().substr(texts.front().find('(') + 1));
  for (std::size_t r = 0; r < texts.size(); ++r) {
    if (capture_spec.refused_retry && r == 0) {
      entries.push_back({"script", "GET", ApiUrl("originaljsonp", 1), json_type,
                         "mtopjsonp1(" + std::string(kRefusedReply) + ")"});
    }
    Entry entry{(r == 0 || (r + 1 == texts.size() && capture_spec.duplicates)) ? "script" : "xhr",
                r == 0 ? "GET" : "POST", ApiUrl(r == 0 ? "originaljsonp" : "originaljson", 1),
                json_type, texts[r]};
    entry.base64 = chrome && OutsideBmp(texts[r]);
    entries.push_back(entry);
    if (capture_spec.unrelated) {
      entries.push_back({"ping", "GET",
                         "https://gm.mmstat.com/ae.orderlist?api=" + std::string(kApi) +
                             "&page=" + std::to_string(r),
                         "image/gif", "GIF89a\x01\x00\x01\x00\x80\x00\x00", true, true});
    }
  }
  if (capture_spec.unrelated) {
    entries.push_back({"fetch", "GET", "https://acs.aliexpress.com/h5/mtop.aliexpress.other/1.0/",
                       json_type,
                       "{\"api\":\"mtop.aliexpress.other\",\"data\":{},\"ret\":[\"SUCCESS::ok\"],"
                       "\"note\":\"" +
                           std::string(kApi) + "\"}"});
  }
  std::size_t size = 0;
  for (const Entry& entry : entries) size += entry.text.size() + 600;
  while (capture_spec.pictures) {
    const std::size_t picture = 20000 + static_cast<std::size_t>(random.Below(180000));
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(
                                         1 + random.Below(static_cast<int>(entries.size()))),
                   Entry{"image", "GET",
                         "https://ae01.alicdn.com/kf/S" + random.Letters(32) + ".jpg_220x220.jpg",
                         "image/jpeg", Picture(random, picture), true, true});
    size += picture * 4 / 3 + 700;
    if (size >= capture_spec.size_bytes) break;
  }

  std::string log = "{\"log\":{\"version\":\"" + std::string(chrome ? "1.2" : "1.1") +
                    "\",\"creator\":{\"name\":\"" + (chrome ? "WebInspector" : "Firefox") +
                    "\",\"version\":\"" + (chrome ? "537.36" : "128.0") +
                    "\"},\"pages\":[{\"id\":\"page_1\",\"title\":"
                    "\"https://www.aliexpress.com/p/order/index.html\"}],\"entries\":[";
  const bool cookies = !chrome || capture_spec.sensitive_data;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) log.push_back(',');
    log += EntryJson(entries[i], capture_spec.flavour, cookies ? capture_spec.session_token : "");
  }
  log += "]}}";
  std::string har = Indented(log, capture_spec.bom_and_crlf ? "\r\n" : "\n");
  if (capture_spec.bom_and_crlf) har.insert(0, "\xEF\xBB\xBF");
  return har;
}

OrderRow ExpectedListRow(const TestListOrder& made) {
  const ListedOrder& order = made.order;
  const auto escaped = [](std::string_view text) {
    std::string out;
    for (const char c : text) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&#39;";
          break;
        case '\t':
        case '\n':
          out += ' ';
          break;
        default:
          out += c;
      }
    }
    return out;
  };
  // The generator's addresses hold no quote or angle bracket: only the scheme changes.
  const auto https = [](const std::string& address) {
    return address.starts_with("//") ? "https:" + address : address;
  };
  OrderRow row;
  row.order_id = order.id;
  row.date = made.date_cell;
  row.status = escaped(order.status);
  if (!order.total.empty()) {
    row.price = escaped(order.total);
  } else {
    for (const ListedLine& line : order.lines) {
      if (!row.price.empty()) row.price += " + ";
      if (line.quantity > 1) row.price += std::to_string(line.quantity) + " x ";
      row.price += escaped(line.price);
    }
  }
  const std::string& thumbnail = order.lines.front().image_url;
  std::string full = thumbnail;
  for (const char* suffix : {"_220x220.jpg", "_220x220.png"}) {
    if (full.ends_with(suffix)) full.resize(full.size() - std::string_view(suffix).size());
  }
  row.image = "<a target='_blank' href='" + full + "'><img src='" + thumbnail +
              "' width='50' height='50' loading='lazy'></a>";
  bool options = false;
  for (std::size_t i = 0; i < order.lines.size(); ++i) {
    const ListedLine& line = order.lines[i];
    if (i > 0) {
      row.description += "<br>";
      row.options += "<br>";
    }
    row.description +=
        "<a target='_blank' href='" + https(line.item_url) + "'>" + escaped(line.title) + "</a>";
    if (line.quantity > 1) row.description += " x" + std::to_string(line.quantity);
    for (std::size_t k = 0; k < line.options.size(); ++k) {
      row.options += (k > 0 ? ", " : "") + escaped(line.options[k].first) + ": " +
                     escaped(line.options[k].second);
      options = true;
    }
  }
  if (!options) row.options.clear();
  row.store = "<a target='_blank' href='" + https(order.store_url) + "'>" +
              escaped(order.store_name) + "</a>";
  return row;
}

RowList ExpectedListRows(const std::vector<TestListOrder>& orders) {
  RowList rows;
  for (const TestListOrder& order : orders) rows.push_back(ExpectedListRow(order));
  return rows;
}

std::vector<ListedOrder> ListedOrders(const std::vector<TestListOrder>& orders) {
  std::vector<ListedOrder> listed;
  for (const TestListOrder& order : orders) listed.push_back(order.order);
  return listed;
}

}  // namespace ordertable::test

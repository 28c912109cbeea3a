#include "orders/order_list.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "orders/ascii.h"

namespace ordertable {
namespace {

using rapidjson::Value;

// In place, so that no string is copied (a HAR is mostly pictures in base64); iterative, so
// that deep nesting cannot exhaust the stack of the build worker's thread; stopping after the
// value, so that a JSONP reply's ")" does not matter.
constexpr unsigned kParseFlags = rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag |
                                 rapidjson::kParseStopWhenDoneFlag;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBodyTag = "pc_om_list_body";
constexpr std::string_view kOrderTag = "pc_om_list_order";
constexpr std::string_view kHeaderActionTag = "pc_om_list_header_action";

std::string_view TextOf(const Value* value) {
  if (value == nullptr || !value->IsString()) return {};
  return {value->GetString(), value->GetStringLength()};
}

const Value* Member(const Value* object, std::string_view name) {
  if (object == nullptr || !object->IsObject()) return nullptr;
  const Value key(rapidjson::StringRef(name.data(), static_cast<rapidjson::SizeType>(name.size())));
  const auto found = object->FindMember(key);
  return found == object->MemberEnd() ? nullptr : &found->value;
}

std::string Copy(const Value* value) { return std::string(TextOf(value)); }

using ascii::IsBlank;

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.'; }

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// Where the JSON object of a reply text starts: after a byte order mark and white space, and
// after a JSONP callback name ("mtopjsonp1") and its "(". `complete` is false for the first
// bytes of a longer text: running out of them then still answers "maybe".
enum class ReplyStart { kNo, kMaybe, kAt };
ReplyStart FindReplyStart(std::string_view text, bool complete, std::size_t* start) {
  std::size_t at = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  at = SkipBlanks(text, at);
  const ReplyStart out_of_text = complete ? ReplyStart::kNo : ReplyStart::kMaybe;
  if (at == text.size()) return out_of_text;
  if (text[at] != '{') {
    if (!IsNameStart(text[at])) return ReplyStart::kNo;
    while (at < text.size() && IsNamePart(text[at])) ++at;
    at = SkipBlanks(text, at);
    if (at == text.size()) return out_of_text;
    if (text[at] != '(') return ReplyStart::kNo;
    at = SkipBlanks(text, at + 1);
    if (at == text.size()) return out_of_text;
    if (text[at] != '{') return ReplyStart::kNo;
  }
  *start = at;
  return ReplyStart::kAt;
}

constexpr std::array<std::int8_t, 256> Base64Values() {
  std::array<std::int8_t, 256> values{};
  for (auto& value : values) value = -1;
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  }
  return values;
}
constexpr std::array<std::int8_t, 256> kBase64 = Base64Values();

// Decodes base64 (padding optional); nothing when a byte is not of the alphabet.
std::optional<std::string> DecodeBase64(std::string_view text) {
  while (!text.empty() && text.back() == '=') text.remove_suffix(1);
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  std::uint32_t bits = 0;
  int bit_count = 0;
  for (const char c : text) {
    const int value = kBase64[static_cast<unsigned char>(c)];
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    bit_count += 6;
    if (bit_count >= 8) {
      bit_count -= 8;
      bytes.push_back(static_cast<char>((bits >> bit_count) & 0xFF));
    }
  }
  return bytes;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The UTF-16 unit of the escape "\uXXXX" at `at`, or -1 when none stands there.
long EscapedUnit(const char* text, std::size_t size, std::size_t at) {
  if (at > size || size - at < 6 || text[at] != '\\' || text[at + 1] != 'u') return -1;
  long unit = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

// JSON lets a string escape half of a surrogate pair alone ("\ud83d"), which no UTF-8 text can
// hold and the parser refuses, and a browser writes one for a title cut inside an emoji. Such
// an escape becomes "\ufffd", of the same length, so one odd title never loses a whole HAR.
void MendLoneSurrogates(char* text, std::size_t size) {
  for (std::size_t at = 0; at + 1 < size; at += 2) {
    const void* found = std::memchr(text + at, '\\', size - at);
    if (found == nullptr) return;
    at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
    const long unit = EscapedUnit(text, size, at);
    if (unit < 0xD800 || unit > 0xDFFF) continue;  // any other escape is two bytes or more
    const long next = EscapedUnit(text, size, at + 6);
    if (unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      at += 10;  // a whole pair: both escapes stay
      continue;
    }
    std::memcpy(text + at + 2, "fffd", 4);
    at += 4;
  }
}

// The list's pages come in their order; a page may come again (a reload repeats the first
// one), but one above the next page means that pages are missing before it.
void NotePage(OrderListCapture& capture, std::int64_t page) {
  if (capture.first_page == 0) {
    capture.first_page = page;
  } else if (page > capture.last_page + 1) {
    capture.page_missing = true;
  }
  capture.last_page = std::max(capture.last_page, page);
}

// Collects the orders of the replies in the order they are read.
class CaptureReader {
 public:
  explicit CaptureReader(OrderListCapture& capture) : capture_(capture) {}

  // The whole text given to the reader: a HAR, or one reply.
  void ReadText(char* text, std::size_t size) {
    std::size_t start = 0;
    if (FindReplyStart({text, size}, true, &start) != ReplyStart::kAt) return;
    MendLoneSurrogates(text + start, size - start);
    // Looked at before the parse, which ends strings in place.
    const bool looks_like_har =
        std::string_view(text + start, std::min<std::size_t>(size - start, 256)).find("\"log\"") !=
        std::string_view::npos;
    rapidjson::Document document;
    document.ParseInsitu<kParseFlags>(text + start);
    if (document.HasParseError()) {
      // The parse stops at the first NUL: at the end of the text, or at one inside it.
      const std::size_t at = start + document.GetErrorOffset();
      capture_.fault =
          at >= size ? OrderListCapture::Fault::kCutShort : OrderListCapture::Fault::kNotJson;
      capture_.fault_at = at;
      capture_.fault_in_har = looks_like_har;
      return;
    }
    const Value* entries = Member(Member(&document, "log"), "entries");
    if (entries != nullptr && entries->IsArray()) {
      for (const Value& entry : entries->GetArray()) ReadEntry(entry);
      return;
    }
    ReadReply(document);
  }

 private:
  void ReadEntry(const Value& entry) {
    const Value* content = Member(Member(&entry, "response"), "content");
    const Value* text = Member(content, "text");
    if (text == nullptr || !text->IsString()) return;
    // The in-place parse left the decoded string in the capture's own bytes, ended by a NUL.
    char* const body = const_cast<char*>(text->GetString());
    const std::size_t size = text->GetStringLength();
    std::size_t start = 0;
    if (TextOf(Member(content, "encoding")) == "base64" &&
        FindReplyStart({body, size}, true, &start) != ReplyStart::kAt) {
      ReadBase64Body({body, size});
      return;
    }
    ReadReplyText(body, size);
  }

  // Pictures are most of a HAR: the first bytes tell them from a reply without decoding them.
  void ReadBase64Body(std::string_view text) {
    const std::optional<std::string> head = DecodeBase64(text.substr(0, 64));
    std::size_t start = 0;
    if (!head || FindReplyStart(*head, text.size() <= 64, &start) == ReplyStart::kNo) return;
    std::optional<std::string> bytes = DecodeBase64(text);
    if (!bytes) return;
    ReadReplyText(bytes->data(), bytes->size());
  }

  // A reply's text, NUL-terminated at `size`.
  void ReadReplyText(char* text, std::size_t size) {
    const std::string_view view(text, size);
    std::size_t start = 0;
    if (FindReplyStart(view, true, &start) != ReplyStart::kAt) return;
    if (view.find(kOrderListApi) == std::string_view::npos) return;
    MendLoneSurrogates(text + start, size - start);
    rapidjson::Document document;
    document.ParseInsitu<kParseFlags>(text + start);
    if (!document.HasParseError()) ReadReply(document);
  }

  void ReadReply(const Value& reply) {
    if (TextOf(Member(&reply, "api")) != kOrderListApi) return;
    ++capture_.replies;
    const Value* ret = Member(&reply, "ret");
    if (ret == nullptr || !ret->IsArray() || ret->Empty()) return;
    if (!TextOf(&(*ret)[0]).starts_with("SUCCESS")) return;
    ++capture_.answered;
    const Value* data = Member(Member(&reply, "data"), "data");
    if (data == nullptr || !data->IsObject()) return;
    NoteView(*data);
    if (!whole_list_) {
      ++capture_.filtered;
      return;
    }
    for (const auto& component : data->GetObject()) {
      if (TextOf(Member(&component.value, "tag")) != kBodyTag) continue;
      const Value* fields = Member(&component.value, "fields");
      const Value* has_more = Member(fields, "hasMore");
      if (has_more == nullptr || !has_more->IsTrue()) capture_.reaches_end = true;
      const Value* page = Member(fields, "pageIndex");
      if (page != nullptr && page->IsInt64()) NotePage(capture_, page->GetInt64());
      const std::string_view body_key(component.name.GetString(), component.name.GetStringLength());
      ReadList(*data, Member(Member(Member(&reply, "data"), "hierarchy"), "structure"), body_key);
      return;
    }
  }

  // The view of the list that the reply's header-action component names; a reply without one
  // is of the view of the reply before it.
  void NoteView(const Value& components) {
    for (const auto& component : components.GetObject()) {
      if (TextOf(Member(&component.value, "tag")) != kHeaderActionTag) continue;
      const Value* fields = Member(&component.value, "fields");
      whole_list_ =
          IsWholeListView(TextOf(Member(fields, "statusTab")), TextOf(Member(fields, "timeOption")),
                          TextOf(Member(fields, "searchInput")));
      return;
    }
  }

  // The order's id: a string of digits, or the digits of a JSON integer. Nothing for anything
  // else: such an order cannot be told from the others, in the table or in a later update.
  static std::optional<std::string> OrderIdOf(const Value& fields) {
    const Value* id = Member(&fields, "orderId");
    if (id == nullptr) return std::nullopt;
    if (id->IsString() && ascii::IsDigits(TextOf(id))) return Copy(id);
    if (id->IsUint64()) return std::to_string(id->GetUint64());
    return std::nullopt;
  }

  // The order components that the body lists, in its order (the components' own order in
  // the reply is not the list's).
  void ReadList(const Value& components, const Value* structure, std::string_view body_key) {
    const Value* keys = Member(structure, body_key);
    if (keys == nullptr || !keys->IsArray()) return;
    // Looked up by key once each: a stored capture holds every order in one reply.
    std::unordered_map<std::string_view, const Value*> by_key;
    by_key.reserve(components.MemberCount());
    for (const auto& member : components.GetObject()) {
      by_key.emplace(TextOf(&member.name), &member.value);
    }
    bool new_order = false;
    for (const Value& key : keys->GetArray()) {
      const auto found = by_key.find(TextOf(&key));
      const Value* component = found == by_key.end() ? nullptr : found->second;
      if (TextOf(Member(component, "tag")) != kOrderTag) continue;
      const Value* fields = Member(component, "fields");
      std::optional<std::string> id;
      if (fields != nullptr && fields->IsObject()) id = OrderIdOf(*fields);
      if (!id) {
        if (unreadable_.insert(std::string(TextOf(&key))).second) ++capture_.unreadable_orders;
        continue;
      }
      if (!seen_.insert(*id).second) continue;
      capture_.orders.push_back(ReadOrder(*fields, std::move(*id)));
      new_order = true;
    }
    if (new_order) ++capture_.pages;
  }

  static ListedOrder ReadOrder(const Value& fields, std::string id) {
    ListedOrder order;
    order.id = std::move(id);
    order.date = Copy(Member(&fields, "orderDateText"));
    order.status = Copy(Member(&fields, "statusText"));
    order.total = Copy(Member(&fields, "totalPriceText"));
    order.store_name = Copy(Member(&fields, "storeName"));
    order.store_url = Copy(Member(&fields, "storePageUrl"));
    const Value* lines = Member(&fields, "orderLines");
    if (lines != nullptr && lines->IsArray()) {
      for (const Value& line : lines->GetArray()) {
        if (line.IsObject()) order.lines.push_back(ReadLine(line));
      }
    }
    return order;
  }

  static ListedLine ReadLine(const Value& fields) {
    ListedLine line;
    line.title = Copy(Member(&fields, "itemTitle"));
    line.item_url = Copy(Member(&fields, "itemDetailUrl"));
    line.image_url = Copy(Member(&fields, "itemImgUrl"));
    line.price = Copy(Member(&fields, "itemPriceText"));
    const Value* quantity = Member(&fields, "quantity");
    if (quantity != nullptr && quantity->IsInt64()) {
      line.quantity = quantity->GetInt64();
    } else if (quantity != nullptr && quantity->IsNumber()) {
      const double value = quantity->GetDouble();  // a huge or fractional count, said as a number
      constexpr double kLimit = 9e18;
      line.quantity = value >= kLimit    ? static_cast<std::int64_t>(kLimit)
                      : value <= -kLimit ? -static_cast<std::int64_t>(kLimit)
                                         : static_cast<std::int64_t>(value);
    }
    const Value* attributes = Member(&fields, "skuAttrs");
    if (attributes != nullptr && attributes->IsArray()) {
      for (const Value& attribute : attributes->GetArray()) {
        if (!attribute.IsObject()) continue;
        line.options.emplace_back(Copy(Member(&attribute, "name")),
                                  Copy(Member(&attribute, "text")));
      }
    }
    return line;
  }

  OrderListCapture& capture_;
  std::unordered_set<std::string> seen_;
  std::unordered_set<std::string> unreadable_;  // keys of the order components left out
  bool whole_list_ = true;
};

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void Write(Writer& writer, std::string_view key, std::string_view text) {
  writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void WriteLine(Writer& writer, const ListedLine& line) {
  writer.StartObject();
  Write(writer, "itemTitle", line.title);
  Write(writer, "itemDetailUrl", line.item_url);
  Write(writer, "itemImgUrl", line.image_url);
  Write(writer, "itemPriceText", line.price);
  writer.Key("quantity");
  writer.Int64(line.quantity);
  if (!line.options.empty()) {
    writer.Key("skuAttrs");
    writer.StartArray();
    for (const auto& [name, text] : line.options) {
      writer.StartObject();
      Write(writer, "name", name);
      Write(writer, "text", text);
      writer.EndObject();
    }
    writer.EndArray();
  }
  writer.EndObject();
}

void WriteOrder(Writer& writer, const ListedOrder& order) {
  writer.StartObject();
  Write(writer, "tag", kOrderTag);
  writer.Key("fields");
  writer.StartObject();
  Write(writer, "orderId", order.id);
  Write(writer, "orderDateText", order.date);
  Write(writer, "statusText", order.status);
  if (!order.total.empty()) Write(writer, "totalPriceText", order.total);
  Write(writer, "storeName", order.store_name);
  Write(writer, "storePageUrl", order.store_url);
  writer.Key("orderLines");
  writer.StartArray();
  for (const ListedLine& line : order.lines) WriteLine(writer, line);
  writer.EndArray();
  writer.EndObject();
  writer.EndObject();
}

}  // namespace

OrderListCapture ReadOrderListCapture(std::string text) {
  OrderListCapture capture;
  CaptureReader(capture).ReadText(text.data(), text.size());
  return capture;
}

void AppendCapture(OrderListCapture& capture, const OrderListCapture& later) {
  capture.replies += later.replies;
  capture.answered += later.answered;
  capture.filtered += later.filtered;
  capture.unreadable_orders += later.unreadable_orders;
  if (capture.fault == OrderListCapture::Fault::kNone) {
    capture.fault = later.fault;
    capture.fault_at = later.fault_at;
    capture.fault_in_har = later.fault_in_har;
  }
  capture.reaches_end = capture.reaches_end || later.reaches_end;
  if (later.first_page != 0) {
    NotePage(capture, later.first_page);
    capture.page_missing = capture.page_missing || later.page_missing;
    capture.last_page = std::max(capture.last_page, later.last_page);
  }
  std::unordered_set<std::string> seen;
  for (const ListedOrder& order : capture.orders) seen.insert(order.id);
  bool new_order = false;
  for (const ListedOrder& order : later.orders) {
    if (!seen.insert(order.id).second) continue;
    capture.orders.push_back(order);
    new_order = true;
  }
  // A later file's pages count when they brought orders of their own.
  if (new_order) capture.pages += later.pages > 0 ? later.pages : 1;
}

std::string StoredCaptureText(const OrderListCapture& capture) {
  rapidjson::StringBuffer buffer;
  Writer writer(buffer);
  writer.StartObject();
  Write(writer, "api", kOrderListApi);
  writer.Key("ret");
  writer.StartArray();
  writer.String("SUCCESS::stored");
  writer.EndArray();
  writer.Key("data");
  writer.StartObject();
  writer.Key("data");
  writer.StartObject();
  const std::string body_key = std::string(kBodyTag) + "_0";
  writer.Key(body_key.c_str());
  writer.StartObject();
  Write(writer, "tag", kBodyTag);
  writer.Key("fields");
  writer.StartObject();
  writer.Key("hasMore");
  writer.Bool(!capture.reaches_end);
  writer.Key("pageIndex");
  writer.Int(1);
  writer.EndObject();
  writer.EndObject();
  std::vector<std::string> keys;
  keys.reserve(capture.orders.size());
  for (const ListedOrder& order : capture.orders) {
    keys.push_back(std::string(kOrderTag) + "_" + std::to_string(keys.size()));
    writer.Key(keys.back().c_str());
    WriteOrder(writer, order);
  }
  writer.EndObject();
  writer.Key("hierarchy");
  writer.StartObject();
  writer.Key("structure");
  writer.StartObject();
  writer.Key(body_key.c_str());
  writer.StartArray();
  for (const std::string& key : keys) writer.String(key.c_str());
  writer.EndArray();
  writer.EndObject();
  writer.EndObject();
  writer.EndObject();
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

bool IsWholeListView(std::string_view status_tab, std::string_view time_option,
                     std::string_view search_input) {
  // A field left out (or null, as the first request sends the tab) is the whole list's.
  return (status_tab.empty() || status_tab == "all") &&
         (time_option.empty() || time_option == "all") && search_input.empty();
}

bool MentionsOrderListApi(std::string_view text) {
  return text.find(kOrderListApi) != std::string_view::npos;
}

}  // namespace ordertable

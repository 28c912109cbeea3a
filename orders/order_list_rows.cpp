#include "orders/order_list_rows.h"

#include <array>
#include <charconv>
#include <vector>

#include "orders/ascii.h"
#include "orders/text.h"

namespace ordertable {
namespace {

constexpr std::string_view kLinkStart = "<a target='_blank' href='";

// An address is written as the page reader writes one, its quote and angle brackets
// percent-encoded. A reply may carry any bytes, though: control bytes and bytes that are no
// UTF-8 are percent-encoded too, so that an address can neither break its row's line nor
// bring text that is not UTF-8 into the table.
void AppendEncodedReplyAddress(std::string& out, std::string_view address) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t at = 0;
  while (at < address.size()) {
    const auto c = static_cast<unsigned char>(address[at]);
    const std::size_t length = c < 0x80 ? 1 : Utf8SequenceLength(address.substr(at));
    if (length > 1) {
      out.append(address.substr(at, length));
      at += length;
      continue;
    }
    if (length == 0 || c < 0x20 || c == 0x7F || c == '\'' || c == '<' || c == '>') {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(static_cast<char>(c));
    }
    ++at;
  }
}

// The marketplace's addresses are mostly protocol-relative ("//www..."); on a table opened
// from disk they would point into file:. Anything that is not already http(s) is put on https,
// so that no address can become a script link.
void AppendHttpsAddress(std::string& out, std::string_view address) {
  const auto starts_with = [&](std::string_view scheme) {
    if (address.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
      const char c = address[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != scheme[i]) return false;
    }
    return true;
  };
  if (address.starts_with("//")) {
    out.append("https:");
  } else if (!starts_with("https://") && !starts_with("http://")) {
    out.append("https://");
  }
  AppendEncodedReplyAddress(out, address);
}

void AppendLink(std::string& out, std::string_view address, std::string_view text) {
  out.append(kLinkStart);
  AppendHttpsAddress(out, address);
  out.append("'>");
  AppendHtmlText(out, text);
  out.append("</a>");
}

using ascii::IsDigit;

// The full-size picture of a thumbnail address "...S1.jpg_220x220.jpg": the address without
// its size suffix. An address without one ("/160x160.png") is its own full picture.
std::string_view FullPicture(std::string_view thumbnail) {
  const std::size_t underscore = thumbnail.rfind('_');
  if (underscore == std::string_view::npos) return thumbnail;
  const std::string_view suffix = thumbnail.substr(underscore + 1);
  const std::size_t cross = suffix.find('x');
  const std::size_t dot = suffix.find('.', cross == std::string_view::npos ? 0 : cross);
  if (cross == 0 || cross == std::string_view::npos || dot == std::string_view::npos ||
      dot == cross + 1) {
    return thumbnail;
  }
  for (std::size_t i = 0; i < dot; ++i) {
    if (i != cross && !IsDigit(suffix[i])) return thumbnail;
  }
  const std::string_view picture = thumbnail.substr(0, underscore);
  const std::size_t extension = picture.rfind('.');
  if (extension == std::string_view::npos ||
      picture.find('/', extension) != std::string_view::npos) {
    return thumbnail;
  }
  return picture;
}

std::string ImageCell(const ListedOrder& order) {
  if (order.lines.empty() || order.lines.front().image_url.empty()) return {};
  const std::string_view thumbnail = order.lines.front().image_url;
  std::string cell(kLinkStart);
  AppendHttpsAddress(cell, FullPicture(thumbnail));
  cell.append("'><img src='");
  AppendHttpsAddress(cell, thumbnail);
  // Loaded only once its row is shown, as the rows of saved pages.
  cell.append("' width='50' height='50' loading='lazy'></a>");
  return cell;
}

void AppendQuantity(std::string& out, std::int64_t quantity) {
  std::array<char, 24> digits;
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), quantity).ptr;
  out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

std::string DescriptionCell(const ListedOrder& order) {
  std::string cell;
  for (const ListedLine& line : order.lines) {
    if (!cell.empty()) cell.append("<br>");
    AppendLink(cell, line.item_url, line.title);
    if (line.quantity > 1) {
      cell.append(" x");
      AppendQuantity(cell, line.quantity);
    }
  }
  return cell;
}

// One line of options per item, so that they stand beside their items' titles.
std::string OptionsCell(const ListedOrder& order) {
  std::string cell;
  bool any = false;
  for (std::size_t i = 0; i < order.lines.size(); ++i) {
    if (i > 0) cell.append("<br>");
    const auto& options = order.lines[i].options;
    for (std::size_t k = 0; k < options.size(); ++k) {
      if (k > 0) cell.append(", ");
      AppendHtmlText(cell, options[k].first);
      cell.append(": ");
      AppendHtmlText(cell, options[k].second);
      any = true;
    }
  }
  return any ? cell : std::string();
}

// Old orders come without a total: their lines' prices stand in for it.
std::string PriceCell(const ListedOrder& order) {
  std::string cell;
  if (!order.total.empty()) {
    AppendHtmlText(cell, order.total);
    return cell;
  }
  for (const ListedLine& line : order.lines) {
    if (line.price.empty()) continue;
    if (!cell.empty()) cell.append(" + ");
    if (line.quantity > 1) {
      AppendQuantity(cell, line.quantity);
      cell.append(" x ");
    }
    AppendHtmlText(cell, line.price);
  }
  return cell;
}

struct MonthName {
  std::string_view name;  // lower case
  int number;
};
// English (the site's own wording) and German, in full and abbreviated.
constexpr MonthName kMonthNames[] = {
    {"jan", 1},       {"january", 1},  {"januar", 1},    {"feb", 2},        {"february", 2},
    {"februar", 2},   {"mar", 3},      {"march", 3},     {"m\xC3\xA4r", 3}, {"m\xC3\xA4rz", 3},
    {"apr", 4},       {"april", 4},    {"may", 5},       {"mai", 5},        {"jun", 6},
    {"june", 6},      {"juni", 6},     {"jul", 7},       {"july", 7},       {"juli", 7},
    {"aug", 8},       {"august", 8},   {"sep", 9},       {"sept", 9},       {"september", 9},
    {"oct", 10},      {"october", 10}, {"okt", 10},      {"oktober", 10},   {"nov", 11},
    {"november", 11}, {"dec", 12},     {"december", 12}, {"dez", 12},       {"dezember", 12},
};

int MonthNumber(std::string_view word) {
  std::string lower(word);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  for (const MonthName& month : kMonthNames) {
    if (month.name == lower) return month.number;
  }
  return 0;
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    switch (c) {
      case '&':
        out.append("&amp;");
        break;
      case '<':
        out.append("&lt;");
        break;
      case '>':
        out.append("&gt;");
        break;
      case '"':
        out.append("&quot;");
        break;
      case '\'':
        out.append("&#39;");
        break;
      default: {
        const std::size_t length = Utf8SequenceLength(text.substr(at));
        if (length == 0) {
          out.append("\xEF\xBF\xBD");
        } else if (length == 1 && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)) {
          // A row is one line per cell in the document; a break inside would split it.
          out.push_back(' ');
        } else {
          out.append(text.substr(at, length));
          at += length;
          continue;
        }
      }
    }
    ++at;
  }
}

std::string ConvertListDate(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find_first_of(" ,.", at);
    const std::string_view word = text.substr(at, end == std::string_view::npos ? end : end - at);
    if (!word.empty()) words.push_back(word);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  std::string_view day;
  int month = 0;
  if (words.size() == 3 && ascii::IsDigits(words[2]) && words[2].size() == 4) {
    if (ascii::IsDigits(words[1])) {  // Aug 28, 2026
      month = MonthNumber(words[0]);
      day = words[1];
    } else if (ascii::IsDigits(words[0])) {  // 12. Mär 2024
      month = MonthNumber(words[1]);
      day = words[0];
    }
  }
  while (day.size() > 1 && day.front() == '0') day.remove_prefix(1);
  if (month == 0 || day.empty() || day.size() > 2 || day == "0" ||
      (day.size() == 2 && day > "31")) {
    std::string kept;
    AppendHtmlText(kept, text);
    return kept;
  }
  std::string date(words[2]);
  date.push_back('-');
  date.push_back(static_cast<char>('0' + month / 10));
  date.push_back(static_cast<char>('0' + month % 10));
  date.push_back('-');
  date.append(day);
  return date;
}

OrderRow RowOfListedOrder(const ListedOrder& order) {
  OrderRow row;
  AppendHtmlText(row.order_id, order.id);
  row.date = ConvertListDate(order.date);
  row.price = PriceCell(order);
  AppendHtmlText(row.status, order.status);
  row.image = ImageCell(order);
  row.description = DescriptionCell(order);
  row.options = OptionsCell(order);
  AppendLink(row.store, order.store_url, order.store_name);
  return row;
}

RowList RowsOfCapture(const OrderListCapture& capture) {
  RowList rows;
  rows.reserve(capture.orders.size());
  for (const ListedOrder& order : capture.orders) rows.push_back(RowOfListedOrder(order));
  return rows;
}

}  // namespace ordertable

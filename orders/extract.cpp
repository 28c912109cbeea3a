#include "orders/extract.h"

#include <string>

#include "orders/file_io.h"
#include "orders/line_reader.h"
#include "orders/text.h"

namespace ordertable {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

void RemoveAll(std::string& text, std::string_view piece) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, from)) {
    out.append(text, from, at - from);
    from = at + piece.size();
  }
  if (from == 0) return;
  out.append(text, from, std::string::npos);
  text = std::move(out);
}

// Addresses are cut from the page by plain searches and written inside single-quoted
// attributes: a quote or an angle bracket in one would end the attribute (or the element)
// early and let the rest of the address become markup. Only those three bytes change, so an
// ordinary address comes out byte for byte.
std::string EncodedAddress(std::string_view address) {
  std::string encoded;
  encoded.reserve(address.size());
  for (const char c : address) {
    if (c == '\'') {
      encoded += "%27";
    } else if (c == '<') {
      encoded += "%3C";
    } else if (c == '>') {
      encoded += "%3E";
    } else {
      encoded += c;
    }
  }
  return encoded;
}

// Store and product links on the page are protocol-relative; the link is rebuilt on https.
std::string HttpsLink(std::string_view value_line, std::string_view text) {
  std::string link = "<a target='_blank' href='https://";
  link += EncodedAddress(TextBetween(value_line, "//", "\""));
  link += "'>";
  link += text;
  link += "</a>";
  return link;
}

// The thumbnail comes protocol-relative too ("//host/..."). Left so, it would resolve to
// file:// when the table is opened from disk and no picture would show, so it gets https:.
std::string ImageLink(std::string_view marker_line) {
  std::string thumbnail = TextBetween(marker_line, "\"", "\"");
  if (thumbnail.starts_with("//")) thumbnail.insert(0, "https:");
  // The suffixes share no byte with "%27", "%3C" or "%3E": encoding before their removal
  // gives what encoding after it would.
  thumbnail = EncodedAddress(thumbnail);
  std::string full = thumbnail;
  RemoveAll(full, "_50x50.jpg");
  RemoveAll(full, "_50x50.png");
  return "<a target='_blank' href='" + full + "'><img src='" + thumbnail + "'></a>";
}

std::string Description(std::string_view value_line) {
  std::string description = HttpsLink(value_line, TextBetween(value_line, ">", "<"));
  for (char& c : description) {
    if (c == '"') c = '\'';
  }
  return description;
}

std::string Options(std::string_view value_line) {
  const std::string_view options = Trimmed(value_line);
  if (options.starts_with('<')) return {};
  return std::string(options);
}

// One order block, read by its markers in page order; false when a marker is missing, in
// which case the half-built row is dropped.
bool ReadOrderBlock(LineReader& reader, OrderRow& row) {
  std::string_view line;
  if (!FindMarker(reader, "first-row", &line)) return false;
  row.order_id = TextBetween(SkipLines(reader, 2), ">", "<");
  if (!FindMarker(reader, "second-row", &line)) return false;
  row.date = ConvertDate(SkipLines(reader, 2));
  if (!FindMarker(reader, "store-info", &line)) return false;
  const std::string store_name = TextBetween(SkipLines(reader, 3), ">", "<");
  if (!FindMarker(reader, "second-row", &line)) return false;
  row.store = HttpsLink(SkipLines(reader, 1), store_name);
  if (!FindMarker(reader, "amount-num", &line)) return false;
  row.price = Trimmed(SkipLines(reader, 1));
  if (!FindMarker(reader, "<img", &line)) return false;
  row.image = ImageLink(line);
  if (!FindMarker(reader, "product-title", &line)) return false;
  row.description = Description(SkipLines(reader, 1));
  if (!FindMarker(reader, "product-property", &line)) return false;
  row.options = Options(SkipLines(reader, 3));
  if (!FindMarker(reader, "order-status", &line)) return false;
  row.status = Trimmed(SkipLines(reader, 3));
  return true;
}

}  // namespace

void ExtractRows(std::string_view page_bytes, RowList& rows) {
  LineReader reader(page_bytes);
  if (!FindMarker(reader, "<table", nullptr)) return;
  for (;;) {
    OrderRow row;
    if (!ReadOrderBlock(reader, row)) return;
    rows.push_back(std::move(row));
  }
}

void ExtractRowsFromFile(const std::filesystem::path& path, RowList& rows) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (bytes) ExtractRows(*bytes, rows);
}

}  // namespace ordertable

#include "orders/extract.h"

#include <string>

#include "files/files.h"
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

// Appends `text` with every occurrence of `piece` (found left to right, not overlapping) left
// out. What the removal joins up is not searched again.
void AppendWithout(std::string& out, std::string_view text, std::string_view piece) {
  for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece)) {
    out.append(text.substr(0, at));
    text.remove_prefix(at + piece.size());
  }
  out.append(text);
}

constexpr std::string_view kHttpsLinkStart = "<a target='_blank' href='https://";

// Store and product links on the page are protocol-relative; the link is rebuilt on https.
void AppendHttpsLink(std::string& out, std::string_view value_line, std::string_view text) {
  const std::string_view address = TextBetween(value_line, "//", "\"");
  // Encoding at most triples an address; the common one, without special bytes, fits as is.
  out.reserve(out.size() + kHttpsLinkStart.size() + address.size() + text.size() + 8);
  out.append(kHttpsLinkStart);
  AppendEncodedAddress(out, address);
  out.append("'>").append(text).append("</a>");
}

// Buffers kept from row to row for the texts a row is built from.
struct Scratch {
  std::string encoded;
  std::string full;
};

// The thumbnail comes protocol-relative too ("//host/..."). Left so, it would resolve to
// file:// when the table is opened from disk and no picture would show, so it gets https:.
std::string ImageLink(std::string_view marker_line, Scratch& scratch) {
  const std::string_view thumbnail = TextBetween(marker_line, "\"", "\"");
  std::string& encoded = scratch.encoded;
  encoded.clear();
  if (thumbnail.starts_with("//")) encoded.append("https:");
  AppendEncodedAddress(encoded, thumbnail);
  // The suffixes share no byte with "%27", "%3C" or "%3E": encoding before their removal
  // gives what encoding after it would. The first removal is done whole before the second.
  std::string& full = scratch.full;
  full.clear();
  AppendWithout(full, encoded, "_50x50.jpg");
  constexpr std::string_view kOpen = "<a target='_blank' href='";
  constexpr std::string_view kMiddle = "'><img src='";
  // The picture loads only once its row is shown: a table of years of orders would otherwise
  // fetch every picture while it opens, although it shows ten rows.
  constexpr std::string_view kClose = "' loading='lazy'></a>";
  std::string image;
  image.reserve(kOpen.size() + full.size() + kMiddle.size() + encoded.size() + kClose.size());
  image.append(kOpen);
  AppendWithout(image, full, "_50x50.png");
  image.append(kMiddle).append(encoded).append(kClose);
  return image;
}

std::string HttpsLink(std::string_view value_line, std::string_view text) {
  std::string link;
  AppendHttpsLink(link, value_line, text);
  return link;
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
bool ReadOrderBlock(LineReader& reader, OrderRow& row, Scratch& scratch) {
  std::string_view line;
  if (!FindMarker(reader, "first-row", &line)) return false;
  row.order_id = std::string(TextBetween(SkipLines(reader, 2), ">", "<"));
  if (!FindMarker(reader, "second-row", &line)) return false;
  row.date = ConvertDate(SkipLines(reader, 2));
  if (!FindMarker(reader, "store-info", &line)) return false;
  const std::string_view store_name = TextBetween(SkipLines(reader, 3), ">", "<");
  if (!FindMarker(reader, "second-row", &line)) return false;
  row.store = HttpsLink(SkipLines(reader, 1), store_name);
  if (!FindMarker(reader, "amount-num", &line)) return false;
  row.price = Trimmed(SkipLines(reader, 1));
  if (!FindMarker(reader, "<img", &line)) return false;
  row.image = ImageLink(line, scratch);
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
  Scratch scratch;
  for (;;) {
    OrderRow row;
    if (!ReadOrderBlock(reader, row, scratch)) return;
    rows.push_back(std::move(row));
  }
}

std::vector<std::string> OrderIdsOnPage(std::string_view page_bytes) {
  std::vector<std::string> ids;
  LineReader reader(page_bytes);
  std::string_view line;
  while (FindMarker(reader, "order-info", &line) && FindMarker(reader, "info-body", &line)) {
    ids.emplace_back(TextBetween(line, ">", "<"));
  }
  return ids;
}

void ExtractRowsFromFile(const std::filesystem::path& path, RowList& rows) {
  const std::optional<std::string> bytes = files::ReadWholeFile(path);
  if (bytes) ExtractRows(*bytes, rows);
}

}  // namespace ordertable

#include "spreadsheet/order_sheet.h"

#include <utility>

#include "spreadsheet/cell_values.h"
#include "spreadsheet/markup_text.h"

namespace ordertable {
namespace {

const std::vector<SheetColumn> kOrderColumns = {
    {"Order id", 19, false, true},
    {"Date", 11},
    {"Price", 12},
    {"Amount", 9},
    {"Currency", 9},
    {"Status", 16},
    {"Product titles", 50, true},
    {"Product links", 45, true},
    {"Options", 28},
    {"Store", 26},
    {"Store link", 36},
    {"Picture link", 45},
    {"Rating", 7},
};

SheetCell TextCell(std::string text) { return {CellKind::kText, std::move(text), 0}; }

SheetCell NumberCell(double number) { return {CellKind::kNumber, NumberText(number), number}; }

SheetCell DateOrText(std::string text) {
  if (const auto date = ReadDate(text)) {
    return {CellKind::kDate, IsoDate(*date), static_cast<double>(DateSerialNumber(*date))};
  }
  return TextCell(std::move(text));
}

SheetCell NumberOrText(std::string text) {
  if (const auto number = ReadDecimal(text)) return NumberCell(*number);
  return TextCell(std::move(text));
}

// The products of a description: every link, its title and address on lines of their own,
// so that the n-th title and the n-th link belong together.
void AddProducts(std::string_view description, std::vector<SheetCell>& line) {
  const std::vector<MarkupLink> links = LinksOfMarkup(description);
  if (links.empty()) {
    line.push_back(TextCell(TextOfMarkup(description)));
    line.push_back(TextCell(""));
    return;
  }
  std::string titles;
  std::string addresses;
  for (const MarkupLink& link : links) {
    if (&link != &links.front()) {
      titles += '\n';
      addresses += '\n';
    }
    titles += link.text;
    addresses += link.address;
  }
  line.push_back(TextCell(std::move(titles)));
  line.push_back(TextCell(std::move(addresses)));
}

void AddStore(std::string_view store, std::vector<SheetCell>& line) {
  const std::vector<MarkupLink> links = LinksOfMarkup(store);
  if (links.empty()) {
    line.push_back(TextCell(TextOfMarkup(store)));
    line.push_back(TextCell(""));
  } else {
    line.push_back(TextCell(links.front().text));
    line.push_back(TextCell(links.front().address));
  }
}

// The full-size picture that the thumbnail links to; the thumbnail when a hand edit took
// the link away.
std::string PictureLink(std::string_view image) {
  std::string address = FirstAttribute(image, "a", "href");
  return address.empty() ? FirstAttribute(image, "img", "src") : address;
}

std::vector<SheetCell> OrderLine(const TableRow& row) {
  std::vector<SheetCell> line;
  line.reserve(kOrderColumns.size());
  line.push_back(TextCell(PlainCellText(row.cells.order_id)));
  line.push_back(DateOrText(TextOfMarkup(row.cells.date)));
  std::string price = TextOfMarkup(row.cells.price);
  const auto money = ReadMoney(price);
  line.push_back(TextCell(std::move(price)));
  line.push_back(money ? NumberCell(money->amount) : TextCell(""));
  line.push_back(TextCell(money ? money->currency : ""));
  line.push_back(TextCell(TextOfMarkup(row.cells.status)));
  AddProducts(row.cells.description, line);
  line.push_back(TextCell(TextOfMarkup(row.cells.options)));
  AddStore(row.cells.store, line);
  line.push_back(TextCell(PictureLink(row.cells.image)));
  line.push_back(NumberOrText(TextOfMarkup(row.rating)));
  return line;
}

}  // namespace

Sheet OrderSheet(const std::vector<TableRow>& rows) {
  Sheet sheet{kOrderColumns, {}};
  sheet.lines.reserve(rows.size());
  for (const TableRow& row : rows) sheet.lines.push_back(OrderLine(row));
  return sheet;
}

}  // namespace ordertable

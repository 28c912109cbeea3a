// Row extraction from a cached page file's bytes. Input starting with 0xFF: an order-list
// page generated from the input's choices (orders, layout, line breaks) and cleaned up as the
// capture stores it must give exactly the rows of its orders. Any other input is read as a
// page file; whatever rows it gives must have the shape the table writer relies on.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz/fuzz_check.h"
#include "orders/extract.h"
#include "tests/support/order_pages.h"

namespace {

using ordertable::OrderRow;
using ordertable::RowList;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Occurrences of `marker` (lower case) in the bytes before the first 0x1A, case ignored.
std::size_t CountMarker(std::string_view bytes, std::string_view marker) {
  bytes = bytes.substr(0, bytes.find('\x1a'));
  std::size_t count = 0;
  for (std::size_t at = 0; at + marker.size() <= bytes.size(); ++at) {
    std::size_t k = 0;
    while (k < marker.size() && Lower(bytes[at + k]) == marker[k]) ++k;
    if (k == marker.size()) ++count;
  }
  return count;
}

bool IsTrimmed(std::string_view field) {
  return field.empty() || (field.front() != ' ' && field.back() != ' ');
}

bool IsLink(std::string_view field, std::string_view start) {
  return field.starts_with(start) && field.ends_with("</a>");
}

void CheckRowShape(const OrderRow& row) {
  // Fields come from single lines: no line break, and the id stops at the first "<".
  for (const std::string* field : {&row.order_id, &row.date, &row.price, &row.status, &row.image,
                                   &row.description, &row.options, &row.store}) {
    FUZZ_CHECK(field->find('\r') == std::string::npos);
    FUZZ_CHECK(field->find('\x1a') == std::string::npos);
  }
  FUZZ_CHECK(row.order_id.find('<') == std::string::npos);
  FUZZ_CHECK(IsTrimmed(row.price));
  FUZZ_CHECK(IsTrimmed(row.status));
  FUZZ_CHECK(IsTrimmed(row.options));
  FUZZ_CHECK(!row.options.starts_with('<'));
  FUZZ_CHECK(row.description.find('"') == std::string::npos);
  FUZZ_CHECK(IsLink(row.description, "<a target='_blank' href='https://"));
  FUZZ_CHECK(IsLink(row.store, "<a target='_blank' href='https://"));
  FUZZ_CHECK(IsLink(row.image, "<a target='_blank' href='"));
  FUZZ_CHECK(row.image.find("'><img src='") != std::string::npos);
}

void CheckAnyBytes(std::string_view bytes) {
  const OrderRow earlier{"earlier", "2019-03-15", "US $1.00", "Finished", "", "", "", ""};
  RowList rows{earlier};
  ordertable::ExtractRows(bytes, rows);
  // Rows already in the list stay as they were.
  FUZZ_CHECK(!rows.empty() && rows.front() == earlier);
  // Every row takes a "first-row" marker line of its own.
  FUZZ_CHECK(rows.size() - 1 <= CountMarker(bytes, "first-row"));
  for (std::size_t i = 1; i < rows.size(); ++i) CheckRowShape(rows[i]);

  // 0x1A ends the data: whatever follows it is never read.
  std::string cut(bytes);
  cut += "\x1a<table\r\nfirst-row\r\n\r\n>1<\r\n";
  RowList rows_of_cut{earlier};
  ordertable::ExtractRows(cut, rows_of_cut);
  FUZZ_CHECK(rows_of_cut == rows);
}

void CheckGeneratedPage(FuzzedDataProvider& input) {
  using namespace ordertable::test;
  const int count = input.ConsumeIntegralInRange(0, 3);
  const auto first_id = input.ConsumeIntegralInRange<std::int64_t>(0, 99999999999999999);
  const auto seed = input.ConsumeIntegral<std::uint32_t>();
  PageSpec page_spec;
  page_spec.orders = MakeOrders(count, first_id, seed);
  page_spec.line_breaks = input.ConsumeBool() ? LineBreaks::kCrLf : LineBreaks::kLf;
  page_spec.indentation = input.PickValueInArray(
      {Indentation::kTabs, Indentation::kSpaces, Indentation::kTabsThenSpaces});
  page_spec.blank_lines = input.ConsumeBool();
  page_spec.head_kib = 0;
  RowList rows;
  ordertable::ExtractRows(CachedPageText(page_spec), rows);
  FUZZ_CHECK(rows == ExpectedRows(page_spec.orders));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] == 0xFF) {
    FuzzedDataProvider input(data + 1, size - 1);
    CheckGeneratedPage(input);
    return 0;
  }
  CheckAnyBytes(ordertable::fuzz::AsText(data, size));
  return 0;
}

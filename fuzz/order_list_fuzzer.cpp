// The order-list reader. Input starting with 0xFF: a capture generated from the input's choices
// (orders, replies, browser, duplicates, refused replies, byte order mark, pictures) must give
// exactly the generator's orders, the end of the list as made, and their rows. Any other input
// is read as a HAR or a reply: whatever it gives must hold together, and its rows must be safe
// to put in the table.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <unordered_set>

#include "fuzz/fuzz_check.h"
#include "orders/order_list.h"
#include "orders/order_list_rows.h"
#include "tests/support/order_captures.h"

namespace {

using ordertable::OrderListCapture;
using ordertable::OrderRow;

bool IsUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || text.size() - at < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

// A link to an http(s) address, the scheme in any letter case: never a script link.
bool IsWebLink(std::string_view field) {
  constexpr std::string_view kStart = "<a target='_blank' href='";
  if (!field.starts_with(kStart) || field.size() < kStart.size() + 4) return false;
  std::string scheme(field.substr(kStart.size(), 4));
  for (char& c : scheme) c = static_cast<char>(c | 0x20);
  return scheme == "http";
}

void CheckRow(const OrderRow& row) {
  for (const std::string* field : {&row.order_id, &row.date, &row.price, &row.status, &row.image,
                                   &row.description, &row.options, &row.store}) {
    FUZZ_CHECK(IsUtf8(*field));
    FUZZ_CHECK(field->find_first_of("\r\n") == std::string::npos);
  }
  // No seller's text can open a comment, an element or leave an attribute.
  for (const std::string* text : {&row.order_id, &row.date, &row.price, &row.status}) {
    FUZZ_CHECK(text->find_first_of("<>\"'") == std::string::npos);
  }
  FUZZ_CHECK(IsWebLink(row.store));
  FUZZ_CHECK(row.store.ends_with("</a>"));
  FUZZ_CHECK(row.image.empty() || IsWebLink(row.image));
}

void CheckAnyBytes(std::string_view bytes) {
  const OrderListCapture capture = ordertable::ReadOrderListCapture(std::string(bytes));
  FUZZ_CHECK(capture.answered <= capture.replies);
  FUZZ_CHECK(capture.pages <= capture.answered);
  FUZZ_CHECK(capture.replies > 0 || capture.orders.empty());
  std::unordered_set<std::string> ids;
  for (const auto& order : capture.orders) FUZZ_CHECK(ids.insert(order.id).second);
  for (const OrderRow& row : ordertable::RowsOfCapture(capture)) CheckRow(row);
  // The cached capture gives back what was read.
  const OrderListCapture again =
      ordertable::ReadOrderListCapture(ordertable::StoredCaptureText(capture));
  FUZZ_CHECK(again.orders == capture.orders);
  FUZZ_CHECK(again.reaches_end == capture.reaches_end);
}

void CheckGeneratedCapture(FuzzedDataProvider& input) {
  using namespace ordertable::test;
  CaptureSpec capture_spec;
  const int count = input.ConsumeIntegralInRange(0, 25);
  const auto first_id = input.ConsumeIntegralInRange<std::int64_t>(0, 9999999999999999);
  capture_spec.orders = MakeListedOrders(count, first_id, input.ConsumeIntegral<std::uint32_t>());
  capture_spec.per_reply = input.ConsumeIntegralInRange(1, 12);
  capture_spec.flavour = input.ConsumeBool() ? HarFlavour::kFirefox : HarFlavour::kChrome;
  capture_spec.complete = input.ConsumeBool();
  capture_spec.refused_retry = input.ConsumeBool();
  capture_spec.duplicates = input.ConsumeBool();
  capture_spec.unrelated = input.ConsumeBool();
  capture_spec.bom_and_crlf = input.ConsumeBool();
  capture_spec.pictures = input.ConsumeBool();
  const OrderListCapture capture = ordertable::ReadOrderListCapture(BuildCapture(capture_spec));
  FUZZ_CHECK(capture.orders == ListedOrders(capture_spec.orders));
  FUZZ_CHECK(capture.reaches_end == capture_spec.complete);
  FUZZ_CHECK(ordertable::RowsOfCapture(capture) == ExpectedListRows(capture_spec.orders));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] == 0xFF) {
    FuzzedDataProvider input(data + 1, size - 1);
    CheckGeneratedCapture(input);
    return 0;
  }
  CheckAnyBytes(ordertable::fuzz::AsText(data, size));
  return 0;
}

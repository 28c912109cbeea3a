#pragma once

#include <string>
#include <string_view>

#include "orders/order_list.h"
#include "orders/order_row.h"

namespace ordertable {

/// The table row of an order from the order list, in the layout of the rows read from the
/// older order pages: every text of the marketplace escaped for HTML, addresses on https with
/// quotes and angle brackets percent-encoded, the picture shown at the older rows' 50 x 50.
OrderRow RowOfListedOrder(const ListedOrder& order);

/// RowOfListedOrder of each order of the capture, in its order.
RowList RowsOfCapture(const OrderListCapture& capture);

/// An order date as the list writes it ("Aug 28, 2026", "12. Mär 2024") as "2026-08-28" (month
/// two digits, day not padded: "Jul 3, 2026" gives "2026-07-3"); a form it cannot read comes
/// back escaped for HTML but otherwise as it came.
std::string ConvertListDate(std::string_view text);

/// Appends `text` escaped for HTML (& < > " ' as entities), with line breaks and other control
/// bytes as spaces and every byte that is not part of valid UTF-8 as U+FFFD.
void AppendHtmlText(std::string& out, std::string_view text);

}  // namespace ordertable

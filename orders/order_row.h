#pragma once

#include <string>
#include <vector>

namespace ordertable {

/// One order as read from an order-list page; image, description and store hold link markup.
struct OrderRow {
  std::string order_id;
  std::string date;
  std::string price;
  std::string status;
  std::string image;
  std::string description;
  std::string options;
  std::string store;

  friend bool operator==(const OrderRow&, const OrderRow&) = default;
};

/// The rows of one build, in extraction order: page 1 first, each page from the top.
using RowList = std::vector<OrderRow>;

}  // namespace ordertable

#include "table/overlap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "table/document.h"
#include "tests/support/order_pages.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::ScratchFolder;

// The part of an order-list page the check reads: per order, an "order-info" block whose
// "info-body" line carries the order id, amid the lines a real page has around them.
std::string OrderPage(const std::vector<std::string>& ids, bool capitals = false) {
  const std::string info = capitals ? "ORDER-INFO" : "order-info";
  const std::string body = capitals ? "INFO-BODY" : "info-body";
  std::string page = "<html>\r\n<head><title>Orders</title></head>\r\n<body>\r\n<table>\r\n";
  for (const auto& id : ids) {
    page += "<tbody class=\"order-item-wraper\">\r\n<tr class=\"order-head\">\r\n";
    page += "<td class=\"" + info + "\">\r\n<p class=\"first-row\">\r\n";
    page += "<span class=\"info-title\">Order ID:</span>\r\n";
    page += "<span class=\"" + body + "\">" + id + "</span>\r\n";
    page += "</p>\r\n<p class=\"second-row\">\r\n<span class=\"info-body\">Mar. 15 2019</span>\r\n";
    page += "</p>\r\n</td>\r\n</tr>\r\n</tbody>\r\n";
  }
  return page + "</table>\r\n</body>\r\n</html>";
}

std::string Table(const std::vector<std::string>& ids) {
  std::string document = "<tbody>\r\n";
  for (const auto& id : ids) document += "<!--" + id + "-->\r\n<tr>\r\n</tr>\r\n";
  return document;
}

TEST(PageOverlapsTableTest, AnswersWhetherAnyOrderOfThePageIsInTheTable) {
  const struct {
    const char* name;
    std::optional<std::string> page;      // nothing: no cached page file
    std::optional<std::string> document;  // nothing: no table document
    bool overlaps;
  } cases[] = {
      {"fifth order is the table's newest", OrderPage({"15", "14", "13", "12", "11", "10"}),
       Table({"11", "10", "9"}), true},
      {"first order known", OrderPage({"11", "10"}), Table({"11"}), true},
      {"all orders newer", OrderPage({"15", "14", "13"}), Table({"11", "10"}), false},
      {"class names in capitals", OrderPage({"15", "11"}, true), Table({"11"}), true},
      {"id inside a longer id", OrderPage({"23"}), Table({"123", "234"}), false},
      {"id letter case kept", OrderPage({"ab"}), Table({"AB"}), false},
      {"empty id, table has an empty key", OrderPage({""}), Table({"", "5"}), true},
      {"empty id, table has none", OrderPage({""}), Table({"5"}), false},
      {"no table document", OrderPage({"11"}), std::nullopt, false},
      {"no cached page file", std::nullopt, Table({"11"}), false},
      {"info-body on the last line",
       "<td class=\"order-info\">\r\n<span class=\"info-body\">11</span>", Table({"11"}), false},
      {"info-body on the last line, line break after",
       "<td class=\"order-info\">\r\n<span class=\"info-body\">11</span>\r\n", Table({"11"}),
       false},
      {"info-body one line before the end",
       "<td class=\"order-info\">\r\n<span class=\"info-body\">11</span>\r\n</td>", Table({"11"}),
       true},
      {"order-info without info-body after it",
       "<span class=\"info-body\">11</span>\r\n<td class=\"order-info\">\r\n</td>\r\n</html>",
       Table({"11"}), false},
      {"lone LF does not end a line",
       "<td class=\"order-info\">\n<span class=\"info-body\">11</span>\r\nend", Table({"11"}),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "tmp");
    if (c.page) test::WriteBytes(folder.path() / "tmp" / "AE_orders_03.html", *c.page);
    if (c.document) test::WriteBytes(folder / kTableDocument, *c.document);
    EXPECT_EQ(PageOverlapsTable(folder.path(), 3), c.overlaps);
  }
}

TEST(PageOverlapsTableTest, ReadsTheNumberedPageAndChangesNoFile) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / "tmp");
  test::WriteBytes(folder.path() / "tmp" / "AE_orders_09.html", OrderPage({"1"}));
  test::WriteBytes(folder.path() / "tmp" / "AE_orders_10.html", OrderPage({"2"}));
  test::WriteBytes(folder / kTableDocument, Table({"2"}));
  EXPECT_FALSE(PageOverlapsTable(folder.path(), 9));
  EXPECT_TRUE(PageOverlapsTable(folder.path(), 10));
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), Table({"2"}));
  EXPECT_EQ(test::FolderEntries(folder.path()), (std::vector<std::string>{kTableDocument, "tmp"}));
}

// On a real page, the id read from the "info-body" line after "order-info" must be the one
// that the extraction put into the table's key comment.
TEST(PageOverlapsTableTest, FindsTheTablesOrdersOnARealisticPage) {
  const auto orders = test::MakeOrders(40, 8012000000000001, 9);
  const auto pages = test::SplitIntoPages(orders, 10);
  const RowList rows = test::ExpectedRows(orders);
  const struct {
    const char* name;
    std::size_t first_row;  // the table holds the rows from this one on
    bool page1;
    bool page2;
  } cases[] = {
      {"the table starts with the fifth order of page 1", 4, true, true},
      {"the table starts with the last order of page 1", 9, true, true},
      {"the table starts on page 2", 10, false, true},
      {"the table starts on page 3", 20, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    test::WriteCachedPages(folder.path(), pages);
    std::vector<test::DocumentRow> table;
    for (std::size_t i = c.first_row; i < rows.size(); ++i) table.push_back({rows[i], "1", "1"});
    test::WriteBytes(folder / kTableDocument, test::ExpectedDocument(table));
    EXPECT_EQ(PageOverlapsTable(folder.path(), 1), c.page1);
    EXPECT_EQ(PageOverlapsTable(folder.path(), 2), c.page2);
  }
}

}  // namespace
}  // namespace ordertable

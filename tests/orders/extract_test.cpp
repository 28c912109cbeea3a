#include "orders/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orders/text.h"
#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

using test::ExpectedRow;
using test::ExpectedRows;
using test::Indentation;
using test::LineBreaks;
using test::MakeOrders;
using test::PageSpec;
using test::TestOrder;

void ExpectRowsEqual(const RowList& actual, const RowList& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1) + ", order " + expected[i].order_id);
    EXPECT_EQ(actual[i].order_id, expected[i].order_id);
    EXPECT_EQ(actual[i].date, expected[i].date);
    EXPECT_EQ(actual[i].price, expected[i].price);
    EXPECT_EQ(actual[i].status, expected[i].status);
    EXPECT_EQ(actual[i].image, expected[i].image);
    EXPECT_EQ(actual[i].description, expected[i].description);
    EXPECT_EQ(actual[i].options, expected[i].options);
    EXPECT_EQ(actual[i].store, expected[i].store);
  }
}

RowList RowsOf(std::string_view cached_text) {
  RowList rows;
  ExtractRows(cached_text, rows);
  return rows;
}

// Replaces the n-th (from 0) occurrence of `from`; n < 0 counts from the end.
std::string ReplaceOccurrence(std::string text, std::string_view from, std::string_view to, int n) {
  std::vector<std::size_t> at;
  for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + 1)) {
    at.push_back(p);
  }
  const std::size_t index = n < 0 ? at.size() - static_cast<std::size_t>(-n) : n;
  EXPECT_LT(index, at.size()) << from;
  if (index < at.size()) text.replace(at[index], from.size(), to);
  return text;
}

struct LayoutCase {
  const char* name;
  LineBreaks line_breaks;
  Indentation indentation;
  bool blank_lines;
};

class RealisticPageTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(RealisticPageTest, CleanUpThenExtractionGivesEveryFieldOfEveryOrder) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    PageSpec page_spec;
    page_spec.orders = MakeOrders(30, 8012000000000000 + seed * 1000, seed);
    page_spec.page = 2;
    page_spec.total_pages = 7;
    page_spec.line_breaks = GetParam().line_breaks;
    page_spec.indentation = GetParam().indentation;
    page_spec.blank_lines = GetParam().blank_lines;
    ExpectRowsEqual(RowsOf(CleanUpText(test::BuildPageSource(page_spec))),
                    ExpectedRows(page_spec.orders));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RealisticPageTest,
    ::testing::Values(
        LayoutCase{"LfTabs", LineBreaks::kLf, Indentation::kTabs, true},
        LayoutCase{"CrLfTabs", LineBreaks::kCrLf, Indentation::kTabs, true},
        LayoutCase{"LfSpaces", LineBreaks::kLf, Indentation::kSpaces, true},
        LayoutCase{"CrLfMixed", LineBreaks::kCrLf, Indentation::kTabsThenSpaces, true},
        LayoutCase{"LfMixedNoBlanks", LineBreaks::kLf, Indentation::kTabsThenSpaces, false}),
    [](const ::testing::TestParamInfo<LayoutCase>& case_info) { return case_info.param.name; });

TEST(ExtractRowsTest, GeneratedOrdersCoverTheCasesTheExtractorMustHandle) {
  // Guards the realistic-page test above against a generator that stopped producing the
  // hard cases: quotes, several products, missing options, each kind of picture address.
  const std::vector<TestOrder> orders = MakeOrders(120, 8012000000000000, 3);
  int several_products = 0, quoted_titles = 0, no_options = 0, png = 0, plain = 0, scheme = 0;
  for (const TestOrder& order : orders) {
    const test::TestProduct& first = order.products.front();
    several_products += order.products.size() > 1;
    quoted_titles += first.title.find('"') != std::string::npos;
    no_options += first.options.empty();
    png += first.thumbnail_suffix == "_50x50.png";
    plain += first.thumbnail_suffix.empty();
    scheme += first.image_url.starts_with("https:");
  }
  EXPECT_GT(several_products, 5);
  EXPECT_GT(quoted_titles, 5);
  EXPECT_GT(no_options, 5);
  EXPECT_GT(png, 5);
  EXPECT_GT(plain, 3);
  EXPECT_GT(scheme, 3);
}

TEST(ExtractRowsTest, RowsOfLaterPagesAreAppendedAfterThoseBefore) {
  const std::vector<TestOrder> orders = MakeOrders(23, 8012000000000500, 9);
  RowList rows;
  for (const PageSpec& page : test::SplitIntoPages(orders, 10)) {
    ExtractRows(test::CachedPageText(page), rows);
  }
  ExpectRowsEqual(rows, ExpectedRows(orders));
}

// Edits of a cleaned realistic page and the rows that the edited page must give.
TEST(ExtractRowsTest, EditedPages) {
  PageSpec page_spec;
  page_spec.orders = MakeOrders(4, 8012000000000900, 5);
  const std::string page = test::CachedPageText(page_spec);
  const RowList all = ExpectedRows(page_spec.orders);

  // Block 2 lacks its "amount-num": its price and all later fields come from block 3,
  // which then gives no row of its own.
  OrderRow merged = all[1];
  merged.price = all[2].price;
  merged.image = all[2].image;
  merged.description = all[2].description;
  merged.options = all[2].options;
  merged.status = all[2].status;

  std::string upper_case_markers = page;
  for (const char* marker : {"first-row", "second-row", "store-info", "amount-num", "product-title",
                             "product-property", "order-status"}) {
    std::string upper(marker);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t p = upper_case_markers.find(marker); p != std::string::npos;
         p = upper_case_markers.find(marker, p + 1)) {
      upper_case_markers.replace(p, upper.size(), upper);
    }
  }

  const struct {
    const char* name;
    std::string page;
    RowList expected;
  } cases[] = {
      {"unchanged", page, all},
      {"markers in capitals", upper_case_markers, all},
      {"<TABLE in capitals", ReplaceOccurrence(page, "<table", "<TABLE", 0), all},
      {"last block lacks its status", ReplaceOccurrence(page, "order-status", "order-state", -1),
       RowList(all.begin(), all.begin() + 3)},
      {"middle block lacks its amount",
       ReplaceOccurrence(page, "amount-num", "amount-sum", 1),
       {all[0], merged, all[3]}},
      {"no table", ReplaceOccurrence(page, "<table", "<tabel", 0), {}},
      {"cut off in the third block", page.substr(0, page.find(page_spec.orders[2].id) + 5),
       RowList(all.begin(), all.begin() + 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRowsEqual(RowsOf(c.page), c.expected);
  }
}

TEST(ExtractRowsTest, AppendsToRowsAlreadyInTheList) {
  PageSpec page_spec;
  page_spec.orders = MakeOrders(2, 8012000000000010, 2);
  OrderRow earlier;
  earlier.order_id = "earlier";
  RowList rows = {earlier};
  ExtractRows(test::CachedPageText(page_spec), rows);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], earlier);
  EXPECT_EQ(rows[2], ExpectedRow(page_spec.orders[1]));
}

// A minimal cleaned order block with the markers at the offsets the extractor counts on.
std::vector<std::string> BlockLines(
    const std::string& image_line, const std::string& title_line, const std::string& options_line,
    const std::string& store_line =
        "<a href=\"//www.aliexpress.com/store/42\" target=\"_blank\">View store</a>") {
  return {"<p class=\"first-row\">",
          "<span>Order ID:</span>",
          "<span class=\"info-body\">8000000000000001</span>",
          "<p class=\"second-row\">",
          "<span>Order time:</span>",
          "<span class=\"info-body\">09:10 Jul. 4 2020</span>",
          "<td class=\"store-info\">",
          "<p class=\"first-row\">",
          "<span>Store name:</span>",
          "<span class=\"info-body\">The \"Best\" Store</span>",
          "<p class=\"second-row\">",
          store_line,
          "<p class=\"amount-num\">",
          "  US $1.00  ",
          image_line,
          "<p class=\"product-title\">",
          title_line,
          "<p class=\"product-property\">",
          "<span>",
          "<span>",
          options_line,
          "<td class=\"order-status\">",
          "<span>",
          "<span>",
          " Finished ",
          "</html>"};
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text = "<html>\r\n<table>\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(ExtractRowsTest, FieldRules) {
  const std::string title = "<a href=\"//www.aliexpress.com/item/7.html\">Case 5.5\" \"Slim\"</a>";
  const std::string image = "<img src=\"//ae01.alicdn.com/kf/a.jpg_50x50.jpg\" alt=\"x\">";
  const struct {
    const char* name;
    std::string image_line, title_line, options_line;
    std::string image, description, options;
  } cases[] = {
      {"protocol-relative jpg thumbnail", image, title, "Color:Red \"A\"",
       "<a target='_blank' href='https://ae01.alicdn.com/kf/a.jpg'>"
       "<img src='https://ae01.alicdn.com/kf/a.jpg_50x50.jpg' loading='lazy'></a>",
       "<a target='_blank' href='https://www.aliexpress.com/item/7.html'>Case 5.5' 'Slim'</a>",
       "Color:Red \"A\""},
      {"png thumbnail", "<img src=\"//h/b.png_50x50.png\">", title, "  Size:L  ",
       "<a target='_blank' href='https://h/b.png'><img src='https://h/b.png_50x50.png' loading='lazy'></a>",
       "<a target='_blank' href='https://www.aliexpress.com/item/7.html'>Case 5.5' 'Slim'</a>",
       "Size:L"},
      {"address with a scheme stays as found", "<img src=\"http://h/c.jpg_50x50.jpg\">", title,
       "<span>",
       "<a target='_blank' href='http://h/c.jpg'><img src='http://h/c.jpg_50x50.jpg' loading='lazy'></a>",
       "<a target='_blank' href='https://www.aliexpress.com/item/7.html'>Case 5.5' 'Slim'</a>", ""},
      {"no suffix", "<img src=\"//h/d.jpeg\">", title, "  <span>x",
       "<a target='_blank' href='https://h/d.jpeg'><img src='https://h/d.jpeg' loading='lazy'></a>",
       "<a target='_blank' href='https://www.aliexpress.com/item/7.html'>Case 5.5' 'Slim'</a>", ""},
      {"\"//\" inside the address is not a scheme", "<img src=\"h//e.jpg_50x50.jpg\">", title, "x",
       "<a target='_blank' href='h//e.jpg'><img src='h//e.jpg_50x50.jpg' loading='lazy'></a>",
       "<a target='_blank' href='https://www.aliexpress.com/item/7.html'>Case 5.5' 'Slim'</a>",
       "x"},
      {"both suffixes and no quotes", "<img src=//h/f.jpg_50x50.jpg_50x50.png>", "<a>T</a>", "",
       "<a target='_blank' href=''><img src='' loading='lazy'></a>", "<a target='_blank' href='https://'>T</a>",
       ""},
      {"suffixes removed jpg first", "<img src=\"//h/g_50x50.png_50x50.jpg\">", "T", "",
       "<a target='_blank' href='https://h/g'><img src='https://h/g_50x50.png_50x50.jpg' loading='lazy'></a>",
       "<a target='_blank' href='https://'></a>", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RowList rows = RowsOf(Joined(BlockLines(c.image_line, c.title_line, c.options_line)));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].order_id, "8000000000000001");
    EXPECT_EQ(rows[0].date, "2020-07-4");
    EXPECT_EQ(
        rows[0].store,
        "<a target='_blank' href='https://www.aliexpress.com/store/42'>The \"Best\" Store</a>");
    EXPECT_EQ(rows[0].price, "US $1.00");
    EXPECT_EQ(rows[0].status, "Finished");
    EXPECT_EQ(rows[0].image, c.image);
    EXPECT_EQ(rows[0].description, c.description);
    EXPECT_EQ(rows[0].options, c.options);
  }
}

// The image, product and store addresses go into single-quoted attributes: whatever they
// hold, the link must stay one element with the address inside its attribute. Only the
// addresses are encoded; title and store name are written as found.
TEST(ExtractRowsTest, AddressesCannotLeaveTheirAttribute) {
  const std::string image = "<img src=\"//h/a.jpg_50x50.jpg\">";
  const std::string title = "<a href=\"//h/item/1.html\">Title</a>";
  const std::string store = "<a href=\"//h/store/1\" target=\"_blank\">View store</a>";
  const std::string image_link =
      "<a target='_blank' href='https://h/a.jpg'>"
      "<img src='https://h/a.jpg_50x50.jpg' loading='lazy'></a>";
  const std::string title_link = "<a target='_blank' href='https://h/item/1.html'>Title</a>";
  const std::string store_link = "<a target='_blank' href='https://h/store/1'>Shop</a>";
  const struct {
    const char* name;
    std::string image_line, title_line, store_line;
    std::string image, description, store;
  } cases[] = {
      {"ordinary addresses, percent signs and ampersands unchanged",
       "<img src=\"//h/a%27b&amp;c.jpg_50x50.jpg\">", title, store,
       "<a target='_blank' href='https://h/a%27b&amp;c.jpg'>"
       "<img src='https://h/a%27b&amp;c.jpg_50x50.jpg' loading='lazy'></a>",
       title_link, store_link},
      {"quote in the thumbnail address", "<img src=\"//h/a'b.jpg_50x50.jpg\">", title, store,
       "<a target='_blank' href='https://h/a%27b.jpg'><img "
       "src='https://h/a%27b.jpg_50x50.jpg' loading='lazy'></a>",
       title_link, store_link},
      {"markup in the thumbnail address",
       "<img src=\"//h/x'><script>alert(1)</script>_50x50.png\">", title, store,
       "<a target='_blank' href='https://h/x%27%3E%3Cscript%3Ealert(1)%3C/script%3E'>"
       "<img src='https://h/x%27%3E%3Cscript%3Ealert(1)%3C/script%3E_50x50.png' loading='lazy'></a>",
       title_link, store_link},
      {"quote in an address with a scheme", "<img src=\"http://h/'.jpg\">", title, store,
       "<a target='_blank' href='http://h/%27.jpg'><img src='http://h/%27.jpg' loading='lazy'></a>", title_link,
       store_link},
      {"event handler in the product address", image,
       "<a href=\"//h/item/1.html' onmouseover='alert(1)\">Title</a>", store, image_link,
       "<a target='_blank' href='https://h/item/1.html%27 onmouseover=%27alert(1)'>Title</a>",
       store_link},
      {"element in the store address", image, title,
       "<a href=\"//h/store/1'><script>alert(1)</script>\" target=\"_blank\">", image_link,
       title_link,
       "<a target='_blank' "
       "href='https://h/store/1%27%3E%3Cscript%3Ealert(1)%3C/script%3E'>Shop</a>"},
      {"title and store name keep their quotes", image,
       "<a href=\"//h/item/1.html\">It's \"new\"</a>", store, image_link,
       "<a target='_blank' href='https://h/item/1.html'>It's 'new'</a>", store_link},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = BlockLines(c.image_line, c.title_line, "x", c.store_line);
    lines[9] = "<span class=\"info-body\">Shop</span>";
    const RowList rows = RowsOf(Joined(lines));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].image, c.image);
    EXPECT_EQ(rows[0].description, c.description);
    EXPECT_EQ(rows[0].store, c.store);
  }
}

TEST(ExtractRowsTest, EndOfDataRules) {
  const std::vector<std::string> block = BlockLines("<img src=\"a\">", "x", "y");
  // Ends with the "order-status" line, so that the status line lies past the end.
  std::vector<std::string> status_near_end(block.begin(), block.end() - 4);
  status_near_end.push_back("<span>");
  std::string end_of_data = Joined(block);
  end_of_data.insert(end_of_data.find("<td class=\"order-status\">"), "\x1a");

  const struct {
    const char* name;
    std::string page;
    std::size_t rows;
    std::string status;
  } cases[] = {
      {"complete block", Joined(block), 1, "Finished"},
      // The status marker stands on the last line: the read of that line reaches the end.
      {"status marker on the last line",
       Joined(std::vector<std::string>(block.begin(), block.end() - 5)) +
           "<td class=\"order-status\">",
       0, ""},
      {"status marker on the last line before the final break",
       Joined(std::vector<std::string>(block.begin(), block.end() - 4)), 0, ""},
      // The fixed skip after the marker runs past the end: empty lines, the row still counts.
      {"status line past the end", Joined(status_near_end), 1, ""},
      {"0x1A before the status marker ends the data", end_of_data, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RowList rows = RowsOf(c.page);
    ASSERT_EQ(rows.size(), c.rows);
    if (c.rows == 1) {
      EXPECT_EQ(rows[0].status, c.status);
    }
  }
}

TEST(ExtractRowsTest, AnyBytesNeverCrash) {
  // Fragments of real blocks in random order and cut at random places: the extractor must
  // neither crash nor read outside the text (the sanitizer build checks the latter).
  PageSpec page_spec;
  page_spec.orders = MakeOrders(3, 8012000000000000, 11);
  const std::string page = test::CachedPageText(page_spec);
  std::uint64_t state = 12345;
  auto next = [&state](std::size_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>((state >> 33) % bound);
  };
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int piece = 0; piece < 40; ++piece) {
      const std::size_t start = next(page.size());
      text += page.substr(start, next(400));
    }
    RowList rows;
    ExtractRows(text, rows);
    for (const OrderRow& row : rows) EXPECT_LE(row.order_id.size(), text.size());
  }
}

}  // namespace
}  // namespace ordertable

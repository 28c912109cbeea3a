// ordertable-fuzz-seeds OUT_DIR: writes a small seed corpus for each fuzz target into
// OUT_DIR/<target>/, built from generated order-list pages in each target's input format.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/files.h"
#include "orders/order_row.h"
#include "orders/text.h"
#include "table/document.h"
#include "table/rating.h"
#include "tests/support/order_captures.h"
#include "tests/support/order_pages.h"

namespace {

namespace fs = std::filesystem;
using namespace ordertable;
using namespace ordertable::test;

class SeedWriter {
 public:
  SeedWriter(const fs::path& root, const char* target) : folder_(root / target) {
    fs::create_directories(folder_);
  }
  void Add(std::string_view bytes) {
    char name[32];
    std::snprintf(name, sizeof name, "seed_%02d", ++count_);
    if (!files::WriteFileAtomically(folder_ / name, {bytes})) {
      std::fprintf(stderr, "cannot write %s\n", (folder_ / name).string().c_str());
      failed_ = true;
    }
  }
  bool failed() const { return failed_; }

 private:
  fs::path folder_;
  int count_ = 0;
  bool failed_ = false;
};

PageSpec SmallPage(int first_order, int orders, LineBreaks breaks, Indentation indentation) {
  PageSpec page_spec;
  page_spec.orders = MakeOrders(orders, 8012000000000000 + first_order, 7);
  page_spec.page = 2;
  page_spec.total_pages = 5;
  page_spec.line_breaks = breaks;
  page_spec.indentation = indentation;
  page_spec.head_kib = 0;
  return page_spec;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string JoinedFields(const OrderRow& row) {
  std::string line;
  for (const std::string* field : {&row.order_id, &row.date, &row.price, &row.status, &row.image,
                                   &row.description, &row.options, &row.store}) {
    if (!line.empty()) line += '\x01';
    line += *field;
  }
  return line;
}

// The part of a page text that the row extraction and the overlap check read: from the line
// before the order table on. It keeps the seeds small, which keeps the fuzzers fast.
std::string OrderPart(std::string_view page) {
  const std::size_t table = page.find("<table");
  const std::size_t line = page.rfind('\n', page.rfind('\n', table) - 1);
  return std::string(page.substr(line == std::string_view::npos ? 0 : line + 1));
}

// A window of at most `size` bytes of a page source, starting a little before its orders.
std::string SourceWindow(std::string_view source, std::size_t size) {
  const std::size_t table = source.find("<table");
  return std::string(source.substr(table > 200 ? table - 200 : 0, size));
}

// The table's rows part: from the line before the table body to the end of the table.
std::string TablePart(std::string_view document) {
  const std::size_t body = document.find("<tbody");
  const std::size_t end = document.find("</table>");
  return std::string(document.substr(body, end + 8 - body)) + "\r\n";
}

std::string TwoByteLength(std::size_t length) {
  return {static_cast<char>(length & 0xFF), static_cast<char>((length >> 8) & 0xFF)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: ordertable-fuzz-seeds OUT_DIR\n", stderr);
    return 2;
  }
  const fs::path root = argv[1];
  const PageSpec lf_tabs = SmallPage(0, 1, LineBreaks::kLf, Indentation::kTabs);
  const PageSpec crlf_spaces = SmallPage(3, 1, LineBreaks::kCrLf, Indentation::kSpaces);
  const PageSpec lf_mixed = SmallPage(6, 1, LineBreaks::kLf, Indentation::kTabsThenSpaces);
  const std::string cached = CachedPageText(crlf_spaces);
  const std::string order_part = OrderPart(cached);
  bool failed = false;

  SeedWriter clean_up(root, "clean_up");
  for (const PageSpec* page_spec : {&lf_tabs, &crlf_spaces, &lf_mixed}) {
    clean_up.Add(SourceWindow(BuildPageSource(*page_spec), 2000));
  }
  clean_up.Add(" \t lead\n\t \tmixed\r\n\r\n  \t\r\ttail\r");

  SeedWriter between(root, "text_between");
  SeedWriter date(root, "convert_date");
  int date_lines = 0;
  int between_lines = 0;
  for (std::string_view line : Lines(cached)) {
    if (line.find("</span>") != std::string_view::npos &&
        line.find(". ") != std::string_view::npos && ++date_lines <= 6) {
      date.Add(line);
    }
    if ((line.find("info-body") != std::string_view::npos ||
         line.find("href") != std::string_view::npos) &&
        ++between_lines <= 6) {
      between.Add(std::string("\x01\x01><") + std::string(line));
      between.Add(std::string("\x02\x01//\"") + std::string(line));
    }
  }
  date.Add("\xFF\x07\xE3\x03\x0F\x0A\x23");

  SeedWriter counter(root, "page_counter");
  counter.Add("<label class=\"ui-label\">3/12</label>");
  counter.Add("<label class=\"ui-label\">  -7.5/ 99999999999999999999999</label>");
  counter.Add(cached.substr(0, cached.find("</label>") + 8));
  counter.Add("\xFF\x00\x00\x00\x03\x00\x00\x00\x0C\x01");

  SeedWriter extract(root, "extract_rows");
  extract.Add(order_part);
  extract.Add(OrderPart(CachedPageText(lf_mixed)));
  extract.Add(std::string("\xFF\x03\x00\x00\x00\x00\x00\x00\x2A\x07\x00\x00\x00\x01\x02\x01", 16));

  // The table as a build of pages 1 and 2 would have written it, and page 2 overlapping it.
  RatingGenerator ratings;
  const RowList table_rows = ExpectedRows(MakeOrders(2, 8012000000000003, 7));
  const std::string document = TablePart(NewTableDocument(table_rows, ratings));
  const std::string page_length = TwoByteLength(order_part.size());

  SeedWriter overlap(root, "overlap");
  overlap.Add("\x00" + page_length + order_part + "<!--8012000000000004-->\r\n");
  overlap.Add("\x00" + page_length + order_part + "<!--8012000000000003-->\r\n");
  overlap.Add("\x01" + page_length + order_part + "<!--1-->");
  overlap.Add("\x02" + page_length + order_part);

  SeedWriter merge(root, "merge_rows");
  const RowList new_rows = ExpectedRows(MakeOrders(4, 8012000000000000, 7));
  std::string merge_input(1, static_cast<char>(new_rows.size()));
  for (const OrderRow& row : new_rows) merge_input += JoinedFields(row) + "\n";
  merge.Add(merge_input + document);
  merge.Add(std::string("\x02\x02\x01\n1\x01") + "2019-03-15\n" + document);
  merge.Add(std::string("\x01") + "8012\n<table>\r\n<tbody>\r\n</tbody>\r\n</table>\r\n");
  merge.Add(std::string("\x01") + "8013\n<table><tfoot></tfoot></table>");

  // The same rows and table for the reader, and the table as a shopper's editor left it.
  SeedWriter read_table(root, "read_table");
  read_table.Add(merge_input + document);
  std::string edited = document;
  for (std::size_t at = edited.find("\r\n"); at != std::string::npos;
       at = edited.find("\r\n", at)) {
    edited.replace(at, 2, "\n  ");
  }
  read_table.Add(std::string("\x00") + edited);
  read_table.Add(
      std::string("\x00") + "<tbody><!--1--><tr><td>1</th><td>2019-3-5</td><td>US $1</td>" +
      "<td>x</td><td></td><td><a href='//a?b=1&amp;c'>&#61;1+1</a><br><a>B</a></td>" +
      "<td></td><td>\xE9</td><td><span class='stars'>4,5</span></td></tr><!--2--></table>");

  SeedWriter keys(root, "key_events");
  const std::string layout("\x57\x00\x00\x00", 4);
  keys.Add(layout + "{CTRL_D}w{CTRL_U}");
  keys.Add(layout + "a{b{ENTER}{}{BOGUS}x{ctrl_d}}");
  keys.Add(layout + "{LEFT}{tab}Hello W\xE9{SHIFT_D}a{SHIFT_U}{CTRL_D");
  std::string all_names = layout;
  for (const char* name :
       {"CTRL_D",    "CTRL_U", "ALT_D",  "ALT_U",   "SHIFT_D", "SHIFT_U", "WIN_D", "WIN_U",
        "BACKSPACE", "ENTER",  "INSERT", "DELETE",  "RIGHT",   "LEFT",    "UP",    "DOWN",
        "HOME",      "END",    "TAB",    "ESCAPE",  "PGUP",    "PGDN",    "F1",    "F2",
        "F3",        "F4",     "F5",     "F6",      "F7",      "F8",      "F9",    "F10",
        "F11",       "F12",    "APPS",   "NUMLOCK", "CAPITAL"}) {
    all_names += std::string("{") + name + "}";
  }
  keys.Add(all_names);

  SeedWriter order_list(root, "order_list");
  const std::vector<TestListOrder> listed = MakeListedOrders(3, 8214000000000001, 7);
  order_list.Add(ReplyText(listed, 1, false, 1));
  order_list.Add(ReplyText({listed.begin(), listed.begin() + 1}, 2, true));
  CaptureSpec small;
  small.orders = {listed.begin(), listed.begin() + 2};
  small.per_reply = 1;
  small.unrelated = false;
  order_list.Add(BuildCapture(small));
  order_list.Add(std::string("\xFF\x03\x00\x00\x00\x07\x01\x00\x01\x01\x01\x00", 12));

  for (const SeedWriter* writer :
       {&clean_up, &between, &date, &counter, &extract, &overlap, &merge, &read_table, &keys,
        &order_list}) {
    failed = failed || writer->failed();
  }
  return failed ? 1 : 0;
}

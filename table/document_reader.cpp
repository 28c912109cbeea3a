#include "table/document_reader.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "orders/ascii.h"
#include "table/markup.h"

namespace ordertable {
namespace {

constexpr std::size_t kCellsPerRow = 9;

using markup::AfterComment;
using markup::AfterTag;
using markup::CommentAt;
using markup::kNone;
using markup::TagAt;

// Line numbers for positions given in increasing order; CR LF, LF and CR each end a line.
class LineCounter {
 public:
  explicit LineCounter(std::string_view text) : text_(text) {}

  std::size_t LineOf(std::size_t at) {
    for (; counted_ < at && counted_ < text_.size(); ++counted_) {
      const char c = text_[counted_];
      if (c == '\n' || (c == '\r' && text_.substr(counted_ + 1, 1) != "\n")) ++line_;
    }
    return line_;
  }

 private:
  std::string_view text_;
  std::size_t counted_ = 0;
  std::size_t line_ = 1;
};

// A key comment waiting for the row after it.
struct Key {
  std::string id;
  std::size_t at = 0;
};

// A row while its cells are read.
struct Row {
  std::size_t start = 0;
  bool has_key = false;
  std::string order_id;
  std::vector<std::string_view> cells;
  bool header_cells_only = true;
};

class RowReader {
 public:
  explicit RowReader(std::string_view document) : document_(document), lines_(document) {}

  TableReading Read() {
    const markup::TableBody body = markup::FindTableBody(document_);
    end_ = body.end;
    const std::size_t begin = body.begin;
    for (std::size_t at = document_.find('<', begin); at < end_; at = document_.find('<', at)) {
      at = Step(at);
    }
    FinishRow();
    ReportKeyWithoutRow();
    return std::move(reading_);
  }

 private:
  // Takes in the markup at `at` and returns where the scan goes on.
  std::size_t Step(std::size_t at) {
    if (CommentAt(document_, at)) return Comment(at);
    if (TagAt(document_, at, "<tr")) {
      FinishRow();
      StartRow(at);
      return AfterTag(document_, at);
    }
    if (TagAt(document_, at, "</tr")) {
      FinishRow();
      return AfterTag(document_, at);
    }
    const bool header_cell = TagAt(document_, at, "<th");
    if (header_cell || TagAt(document_, at, "<td")) {
      // A row whose <tr> was deleted still starts at its key comment or first cell.
      if (!row_) StartRow(at);
      return ReadCell(at, header_cell);
    }
    return markup::SkipMarkup(document_, at);  // any other markup between the rows
  }

  std::size_t Comment(std::size_t at) {
    // An unclosed comment hides the rest of the document, as it does in a browser.
    const std::size_t close = document_.find("-->", at + 4);
    const std::size_t id_end = close == kNone ? document_.size() : close;
    const std::size_t after = close == kNone ? document_.size() : close + 3;
    if (row_) {
      // Inside a row a comment is a note, unless the row is complete or the comment stands
      // where a key comment does, on a line of its own before a <tr>: then the row lacked
      // its </tr>.
      if (row_->cells.size() < kCellsPerRow && !markup::KeyCommentBeforeRow(document_, at)) {
        return after;
      }
      FinishRow();
    }
    ReportKeyWithoutRow();
    key_ = Key{std::string(document_.substr(at + 4, id_end - (at + 4))), at};
    return after;
  }

  // Adds the cell whose tag starts at `at` to the row and returns where the scan goes on. A
  // cell ends at its </td> or </th>; one left open ends where the next cell or row begins.
  std::size_t ReadCell(std::size_t at, bool header_cell) {
    const std::size_t content = std::min(AfterTag(document_, at), end_);
    std::size_t cell_end = end_;
    std::size_t next = end_;
    for (std::size_t scan = document_.find('<', content); scan < end_;
         scan = document_.find('<', scan)) {
      if (TagAt(document_, scan, "</td") || TagAt(document_, scan, "</th")) {
        cell_end = scan;
        next = AfterTag(document_, scan);
        break;
      }
      const bool next_key =
          CommentAt(document_, scan) && markup::KeyCommentBeforeRow(document_, scan);
      if (next_key || TagAt(document_, scan, "<td") || TagAt(document_, scan, "<th") ||
          TagAt(document_, scan, "<tr") || TagAt(document_, scan, "</tr")) {
        cell_end = next = scan;
        break;
      }
      // A comment inside the cell may hold anything, even a "</td>".
      scan = CommentAt(document_, scan) ? AfterComment(document_, scan) : scan + 1;
    }
    row_->cells.push_back(document_.substr(content, cell_end - content));
    if (!header_cell) row_->header_cells_only = false;
    return next;
  }

  void StartRow(std::size_t at) {
    row_.emplace();
    row_->start = at;
    if (key_) {
      row_->has_key = true;
      row_->start = key_->at;
      row_->order_id = std::move(key_->id);
      key_.reset();
    }
  }

  void FinishRow() {
    if (!row_) return;
    Row row = std::move(*row_);
    row_.reset();
    // The header and footer rows are made of <th> cells and have no key comment.
    if (!row.has_key && !row.cells.empty() && row.header_cells_only) return;
    ++position_;
    const std::size_t line = lines_.LineOf(row.start);
    if (row.cells.size() == kCellsPerRow) {
      TableRow& out = reading_.rows.emplace_back();
      out.position = position_;
      out.line = line;
      out.cells.order_id = std::move(row.order_id);
      out.number = row.cells[0];
      for (std::size_t i = 1;
           std::string * field :
           {&out.cells.date, &out.cells.price, &out.cells.status, &out.cells.image,
            &out.cells.description, &out.cells.options, &out.cells.store}) {
        field->assign(row.cells[i++]);
      }
      out.rating = row.cells[8];
      return;
    }
    UnreadableRow& out = reading_.unreadable.emplace_back();
    out.position = position_;
    out.line = line;
    out.order_id = std::move(row.order_id);
    if (!row.cells.empty()) out.number = ascii::TrimBlanks(row.cells[0]);
    out.reason = row.cells.empty() ? std::string("it has no cells")
                                   : "it has " + std::to_string(row.cells.size()) +
                                         " cells instead of " + std::to_string(kCellsPerRow);
  }

  // A key comment followed by no row: the rest of that row was deleted.
  void ReportKeyWithoutRow() {
    if (!key_) return;
    ++position_;
    UnreadableRow& out = reading_.unreadable.emplace_back();
    out.position = position_;
    out.line = lines_.LineOf(key_->at);
    out.order_id = std::move(key_->id);
    out.reason = "its key comment has no row after it";
    key_.reset();
  }

  std::string_view document_;
  std::size_t end_ = 0;
  LineCounter lines_;
  std::optional<Key> key_;
  std::optional<Row> row_;
  std::size_t position_ = 0;
  TableReading reading_;
};

}  // namespace

TableReading ReadTableRows(std::string_view document) { return RowReader(document).Read(); }

std::string DescribeUnreadableRow(const UnreadableRow& row) {
  std::string text = "row " + std::to_string(row.position) + " (";
  // A "#" cell that is not a short number would only clutter the message.
  if (!row.number.empty() && row.number.size() <= 12) text += "#" + row.number + ", ";
  if (!row.order_id.empty()) text += "order " + row.order_id + ", ";
  text += "line " + std::to_string(row.line) + "): " + row.reason;
  return text;
}

}  // namespace ordertable

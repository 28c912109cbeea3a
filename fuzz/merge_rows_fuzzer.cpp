// The merge of new rows into an arbitrary document text. Input = [row count][one line per row,
// fields separated by 0x01][document]. A row id of 0x02 followed by a byte k takes the id of
// the document's k-th key comment, so that rows the document already holds come up often.
// Every byte of the document must come out unchanged and in order, with the blocks of exactly
// the rows it does not hold inserted as one piece at the top of the table's body.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "table/document.h"
#include "table/markup.h"
#include "table/merge.h"
#include "table/rating.h"

namespace {

using ordertable::OrderRow;
using ordertable::RowList;

// The ids of the document's key comments: what stands between each "<!--" and the next "-->".
// A text with '<' or '>' in it is left out: its "<!--" may stand in a quoted attribute value,
// where it opens no comment, and new rows may rightly go at a place inside that text (before
// a key comment in it, or at the start of a body whose tag ends in it).
std::vector<std::string> KeyCommentIds(std::string_view document) {
  std::vector<std::string> ids;
  for (std::size_t open = document.find("<!--"); open != std::string_view::npos;
       open = document.find("<!--", open + 1)) {
    const std::size_t close = document.find("-->", open + 4);
    if (close == std::string_view::npos) break;
    const std::string_view id = document.substr(open + 4, close - open - 4);
    if (id.find_first_of("<>") == std::string_view::npos) ids.emplace_back(id);
  }
  return ids;
}

OrderRow ReadRow(std::string_view line, const std::vector<std::string>& document_ids) {
  OrderRow row;
  const std::array<std::string*, 8> fields{&row.order_id, &row.date,  &row.price,
                                           &row.status,   &row.image, &row.description,
                                           &row.options,  &row.store};
  for (std::string* field : fields) *field = ordertable::fuzz::TakeUntil(line, '\x01');
  if (row.order_id.size() == 2 && row.order_id[0] == '\x02' && !document_ids.empty()) {
    row.order_id = document_ids[static_cast<unsigned char>(row.order_id[1]) % document_ids.size()];
  }
  return row;
}

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                  a.begin());
}

std::size_t CommonSuffix(std::string_view a, std::string_view b) {
  return static_cast<std::size_t>(std::mismatch(a.rbegin(), a.rend(), b.rbegin(), b.rend()).first -
                                  a.rbegin());
}

// Blanks may come first: new rows go before an indented key comment, after its indentation.
bool StartsLine(std::string_view text, std::size_t position) {
  while (position > 0 && (text[position - 1] == ' ' || text[position - 1] == '\t')) --position;
  return position == 0 || text[position - 1] == '\r' || text[position - 1] == '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ordertable;
  if (size < 1) return 0;
  std::string_view input = fuzz::AsText(data, size);
  const std::size_t row_count = static_cast<unsigned char>(input[0]) % 8;
  input.remove_prefix(1);
  std::vector<std::string_view> lines;
  for (std::size_t i = 0; i < row_count; ++i) lines.push_back(fuzz::TakeUntil(input, '\n'));
  const std::string_view document = input;
  const std::vector<std::string> document_ids = KeyCommentIds(document);
  RowList rows;
  for (std::string_view line : lines) rows.push_back(ReadRow(line, document_ids));

  // The rows to be added: those whose key comment the document lacks, in their order.
  RowList expected_rows;
  for (const OrderRow& row : rows) {
    if (!DocumentHoldsOrder(document, row.order_id)) expected_rows.push_back(row);
  }
  RatingGenerator ratings;
  ratings.Draw();  // any position of the process run's generator
  RatingGenerator expected_ratings = ratings;
  const long long added = static_cast<long long>(expected_rows.size());
  std::string blocks;
  for (long long i = 0; i < added; ++i) {
    blocks += RowBlock(expected_rows[static_cast<std::size_t>(i)], added - i, expected_ratings);
  }

  const std::optional<std::string> merged_or_none = MergeRows(document, rows, ratings);
  FUZZ_CHECK(rows == expected_rows);
  // No place for rows is only said of a document without a body, header end or footer tag,
  // when there are rows to add; the document then stays as it is.
  const markup::TableBody body = markup::FindTableBody(document);
  if (!merged_or_none) {
    FUZZ_CHECK(added > 0 && !body.found && markup::FindTag(document, "<tfoot") == markup::kNone);
    return 0;
  }
  const std::string& merged = *merged_or_none;

  // The document, byte for byte and in order, around one inserted piece.
  FUZZ_CHECK(merged.size() >= document.size());
  const std::size_t inserted = merged.size() - document.size();
  const std::size_t prefix = std::min(CommonPrefix(document, merged), document.size());
  const std::size_t suffix = std::min(CommonSuffix(document, merged), document.size());
  FUZZ_CHECK(prefix + suffix >= document.size());

  if (added > 0) {
    // That piece is the new rows' blocks, on lines of their own, inside the table's body when
    // it has one: a line break comes first only when needed.
    FUZZ_CHECK(inserted == blocks.size() || inserted == blocks.size() + 2);
    const std::size_t at = merged.find(blocks, body.found ? body.begin : 0);
    FUZZ_CHECK(at != std::string::npos);
    FUZZ_CHECK(StartsLine(merged, at));
    FUZZ_CHECK(merged.compare(0, at, document.substr(0, at)) == 0 ||
               (inserted == blocks.size() + 2 && merged.compare(at - 2, 2, "\r\n") == 0));
  } else {
    FUZZ_CHECK(merged == document);
  }

  // Every order the document held and every row added is now in the merged document. A plain
  // search per id costs the document's length each, so a document of thousands of short key
  // comments would slow every execution down to a crawl: the index answers instead, and a
  // few of its answers are checked against the plain search.
  const KeyCommentIndex merged_index(merged);
  for (std::size_t i = 0; i < document_ids.size(); ++i) {
    FUZZ_CHECK(merged_index.Holds(document_ids[i]));
    if (i < 8) FUZZ_CHECK(DocumentHoldsOrder(merged, document_ids[i]));
  }
  for (const OrderRow& row : rows) {
    FUZZ_CHECK(merged_index.Holds(row.order_id));
    FUZZ_CHECK(DocumentHoldsOrder(merged, row.order_id));
  }
  // The ratings go on from where they were, one per added row.
  FUZZ_CHECK(ratings.Draw() == expected_ratings.Draw());
  return 0;
}

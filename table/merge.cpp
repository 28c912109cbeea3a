#include "table/merge.h"

#include <algorithm>
#include <cctype>

#include "files/files.h"
#include "table/assets.h"
#include "table/document.h"

namespace ordertable {
namespace {

constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";

std::string KeyComment(std::string_view order_id) {
  std::string comment(kCommentOpen);
  comment.append(order_id).append(kCommentClose);
  return comment;
}

// Position of `tag` (lower case, such as "<tbody") as an element start, letter case ignored.
std::size_t FindTag(std::string_view document, std::string_view tag) {
  for (std::size_t at = document.find('<'); at != std::string_view::npos;
       at = document.find('<', at + 1)) {
    if (document.size() - at < tag.size()) break;
    bool same = true;
    for (std::size_t i = 1; same && i < tag.size(); ++i) {
      same = std::tolower(static_cast<unsigned char>(document[at + i])) == tag[i];
    }
    if (!same) continue;
    const std::size_t after = at + tag.size();
    if (after == document.size()) return at;
    const char next = document[after];
    if (next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n') return at;
  }
  return std::string_view::npos;
}

bool EndsLine(std::string_view document, std::size_t position) {
  if (position == 0) return true;
  const char before = document[position - 1];
  return before == '\r' || before == '\n';
}

}  // namespace

bool DocumentHoldsOrder(std::string_view document, std::string_view order_id) {
  return document.find(KeyComment(order_id)) != std::string_view::npos;
}

KeyCommentIndex::KeyCommentIndex(std::string_view document) : document_(document) {
  // For an id without "-->", "<!--" id "-->" occurs exactly when some "<!--" is followed by
  // the id and then by the first "-->" after it, so one entry per "<!--" answers every such id.
  for (std::size_t open = document.find(kCommentOpen); open != std::string_view::npos;
       open = document.find(kCommentOpen, open + 1)) {
    const std::size_t start = open + kCommentOpen.size();
    const std::size_t close = document.find(kCommentClose, start);
    if (close == std::string_view::npos) break;
    ids_.insert(document.substr(start, close - start));
  }
}

bool KeyCommentIndex::Holds(std::string_view order_id) const {
  if (order_id.find(kCommentClose) != std::string_view::npos) {
    return DocumentHoldsOrder(document_, order_id);
  }
  return ids_.contains(order_id);
}

InsertionPoint FindInsertionPoint(std::string_view document) {
  const std::size_t comment = document.find(kCommentOpen);
  if (comment != std::string_view::npos) return {comment, false};
  // A table without any key comment: keep the rows inside the table body all the same.
  const std::size_t body = FindTag(document, "<tbody");
  if (body != std::string_view::npos) {
    const std::size_t line_end = document.find_first_of("\r\n", body);
    if (line_end == std::string_view::npos) return {document.size(), true};
    std::size_t next = line_end + 1;
    if (document[line_end] == '\r' && next < document.size() && document[next] == '\n') ++next;
    return {next, false};
  }
  const std::size_t foot = FindTag(document, "<tfoot");
  if (foot != std::string_view::npos) return {foot, !EndsLine(document, foot)};
  return {document.size(), !EndsLine(document, document.size())};
}

MergedTable MergeRowsInto(std::string_view document, RowList& rows, RatingGenerator& ratings) {
  const KeyCommentIndex index(document);
  // Every row is tested against the document as read, so dropping rows in one stable pass
  // is the same as testing them one by one from the end of the list.
  std::erase_if(rows, [&index](const OrderRow& row) { return index.Holds(row.order_id); });

  const InsertionPoint insertion = FindInsertionPoint(document);
  MergedTable merged;
  merged.before = document.substr(0, insertion.position);
  merged.after = document.substr(insertion.position);
  merged.block.reserve(RowBlocksSize(rows) + 2);
  // The line break only serves the first key comment: with no row to add, the document
  // must come out unchanged.
  if (insertion.line_break_first && !rows.empty()) merged.block.append("\r\n");
  const long long added = static_cast<long long>(rows.size());
  for (long long i = 0; i < added; ++i) {
    AppendRowBlock(merged.block, rows[static_cast<std::size_t>(i)], added - i, ratings);
  }
  return merged;
}

std::string MergeRows(std::string_view document, RowList& rows, RatingGenerator& ratings) {
  const MergedTable merged = MergeRowsInto(document, rows, ratings);
  std::string text;
  text.reserve(document.size() + merged.block.size());
  text.append(merged.before).append(merged.block).append(merged.after);
  return text;
}

bool MergeIntoTable(const std::filesystem::path& folder, RowList& rows, RatingGenerator& ratings,
                    TableWriteError* error) {
  const std::filesystem::path document = folder / kTableDocument;
  const std::filesystem::path backup = folder / kTableBackup;
  const auto fail = [error](std::string message, TableKeptIn kept_in) {
    error->message = std::move(message);
    error->kept_in = kept_in;
    return false;
  };

  // A table that cannot be read (gone, a folder, held open elsewhere) is left as it is:
  // merging into an empty text would replace it by the new rows alone.
  const std::optional<std::string> existing = files::ReadWholeFile(document);
  if (!existing) {
    return fail(std::string("\"") + kTableDocument + "\" could not be read",
                WhereTableIsKept(folder));
  }
  const MergedTable merged = MergeRowsInto(*existing, rows, ratings);

  // The merged text is complete on disk before the table is moved aside, and the table is
  // moved back when the merged text cannot take its place, so at every moment the rows
  // live on in the document or in its backup.
  std::optional<files::PendingFile> pending =
      files::PendingFile::Write(document, {merged.before, merged.block, merged.after});
  if (!pending) {
    return fail(std::string("\"") + kTableTemporary + "\" could not be written",
                TableKeptIn::kDocument);
  }
  // The head of the table is kept as it is; when it refers to the folder of assets beside the
  // table, whatever went missing there (a table moved without its folder) is put back before
  // the table changes, so the updated table works.
  if (HeadUsesAssetFolder(*existing) &&
      !WriteTableAssets(folder, AssetRefresh::kMissing, &error->message)) {
    error->in_assets = true;
    error->kept_in = TableKeptIn::kDocument;
    return false;
  }
  // The rename replaces an earlier backup in one step, so a failed rename leaves it as it was.
  if (!files::Rename(document, backup)) {
    return fail(
        std::string("\"") + kTableDocument + "\" could not be renamed to \"" + kTableBackup + "\"",
        TableKeptIn::kDocument);
  }
  if (pending->Commit()) return true;
  const bool restored = files::Rename(backup, document);
  // With the table stuck as the backup, the merged text is the only copy of the new rows.
  if (!restored) pending->KeepOnDisk();
  return fail(
      std::string("\"") + kTableTemporary + "\" could not be renamed to \"" + kTableDocument + "\"",
      restored ? TableKeptIn::kDocument : TableKeptIn::kBackup);
}

}  // namespace ordertable

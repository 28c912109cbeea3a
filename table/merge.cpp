#include "table/merge.h"

#include <algorithm>

#include "files/files.h"
#include "table/assets.h"
#include "table/document.h"
#include "table/markup.h"

namespace ordertable {
namespace {

constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";

std::string KeyComment(std::string_view order_id) {
  std::string comment(kCommentOpen);
  comment.append(order_id).append(kCommentClose);
  return comment;
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

std::optional<InsertionPoint> FindInsertionPoint(std::string_view document) {
  const markup::TableBody body = markup::FindTableBody(document);
  if (body.found) {
    // The first row decides: new rows go before its key comment, or before the row itself
    // when it has none (at the start of the body).
    for (std::size_t at = document.find('<', body.begin); at < body.end;
         at = document.find('<', at)) {
      if (markup::CommentAt(document, at) && markup::KeyCommentBeforeRow(document, at)) {
        return InsertionPoint{at, false};
      }
      if (markup::TagAt(document, at, "<tr")) break;
      at = markup::SkipMarkup(document, at);
    }
    // The body's start; its own line when the <tbody> line ends there.
    std::size_t start = body.begin;
    if (document.substr(start, 2) == "\r\n") {
      start += 2;
    } else if (start < document.size() && (document[start] == '\n' || document[start] == '\r')) {
      start += 1;
    }
    return InsertionPoint{start, !EndsLine(document, start)};
  }
  // A table without body or header rows: before its footer, still inside the table.
  const std::size_t foot = markup::FindTag(document, "<tfoot");
  if (foot != markup::kNone) return InsertionPoint{foot, !EndsLine(document, foot)};
  return std::nullopt;
}

std::optional<MergedTable> MergeRowsInto(std::string_view document, RowList& rows,
                                         RatingGenerator& ratings) {
  const KeyCommentIndex index(document);
  // Every row is tested against the document as read, so dropping rows in one stable pass
  // is the same as testing them one by one from the end of the list.
  std::erase_if(rows, [&index](const OrderRow& row) { return index.Holds(row.order_id); });

  // With no row to add the document comes out as it is, whatever its shape.
  const std::optional<InsertionPoint> found =
      rows.empty() ? InsertionPoint{document.size(), false} : FindInsertionPoint(document);
  if (!found) return std::nullopt;
  const InsertionPoint insertion = *found;
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

std::optional<std::string> MergeRows(std::string_view document, RowList& rows,
                                     RatingGenerator& ratings) {
  const std::optional<MergedTable> merged = MergeRowsInto(document, rows, ratings);
  if (!merged) return std::nullopt;
  std::string text;
  text.reserve(document.size() + merged->block.size());
  text.append(merged->before).append(merged->block).append(merged->after);
  return text;
}

bool MergeIntoTable(const TablePlaces& places, RowList& rows, RatingGenerator& ratings,
                    TableWriteError* error) {
  const auto fail = [error](std::string message) {
    error->message = std::move(message);
    error->kept_in = TableKeptIn::kDocument;  // nothing below changes the table when it fails
    return false;
  };
  const std::string document_name = std::string("\"") + kTableDocument + "\"";

  // A table that cannot be read (gone, a folder, held open elsewhere) is left as it is:
  // merging into an empty text would replace it by the new rows alone.
  std::string reason;
  const std::optional<std::string> existing = files::ReadWholeFile(places.document, &reason);
  if (!existing) {
    error->folder_in_the_way = files::IsFolder(places.document);
    const std::string message = error->folder_in_the_way
                                    ? FolderInTheWay(places)
                                    : document_name + " could not be read: " + reason;
    error->message = message;
    error->kept_in = WhereTableIsKept(places);
    return false;
  }
  const std::optional<MergedTable> merged = MergeRowsInto(*existing, rows, ratings);
  if (!merged) {
    rows.clear();
    return fail(document_name +
                " has no table body to put new rows in (no <tbody>, header or footer row"
                " outside a comment): it was left as it was");
  }
  // The merged text is complete on disk before anything else changes. Nothing new: the table
  // and its backup (the last good one) stay as they are.
  std::optional<files::PendingFile> pending;
  if (!rows.empty()) {
    pending = files::PendingFile::Write(places.document,
                                        {merged->before, merged->block, merged->after}, &reason);
    if (!pending) return fail("the updated table could not be written: " + reason);
  }
  // The head of the table is kept as it is; when it refers to the folder of assets beside the
  // table, whatever went missing there (a table moved without its folder) is put back before
  // the table changes, so the updated table works.
  if (HeadUsesAssetFolder(*existing) &&
      !WriteTableAssets(places.folder, AssetRefresh::kMissing, &reason)) {
    error->in_assets = true;
    return fail(std::move(reason));
  }
  if (!pending) return true;
  // The system puts the merged text in the table's place and the table in the backup's, with
  // a table there at every instant.
  if (!pending->CommitKeepingBackup(places.backup, &reason)) {
    return fail(document_name + " could not be replaced by the updated table, keeping it as \"" +
                kTableBackup + "\": " + reason);
  }
  return true;
}

}  // namespace ordertable

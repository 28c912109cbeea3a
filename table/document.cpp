#include "table/document.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "files/files.h"
#include "orders/ascii.h"
#include "table/assets.h"

#ifndef ORDERTABLE_ASSET_HOST
#error "ORDERTABLE_ASSET_HOST must be empty or name the host that serves the /ae/ files"
#endif

namespace ordertable {
namespace {

#define ORDERTABLE_IMAGE_HOST "ae01.alicdn.com"

// Lines 1 to 8: up to the favicon, which stays on the marketplace's host (the table works
// without it).
constexpr std::string_view kHeadStart =
    "<!DOCTYPE html>\r\n"
    "<html lang='en'>\r\n"
    "<head>\r\n"
    "<meta charset='UTF-8'>\r\n"
    "<meta name='viewport' content='width=device-width, initial-scale=1, "
    "shrink-to-fit=no'>\r\n"
    "<meta http-equiv='x-ua-compatible' content='ie=edge'>\r\n"
    "<title>My AliExpress Orders</title>\r\n"
    "<link rel='icon' href='https://" ORDERTABLE_IMAGE_HOST
    "/images/eng/wholesale/icon/aliexpress.ico' type='image/x-icon'>\r\n";

// Lines 9 and 10 of a table served by an asset host: the fonts from their public hosts.
constexpr std::string_view kHostedFonts =
    "<link rel='stylesheet' href='https://use.fontawesome.com/releases/v5.11.2/css/all.css'>\r\n"
    "<link rel='stylesheet' href='https://fonts.googleapis.com/"
    "css?family=Roboto:300,400,500,700&display=swap'>\r\n";

// From line 18 to line 33: the body up to the opening of the table's body.
constexpr std::string_view kHeadEnd =
    "</head><body>\r\n"
    "<br>\r\n"
    "<div class='centered'>\r\n"
    "<h2>My AliExpress Orders</h2>\r\n"
    "<table id='ae' class='table'>\r\n"
    "<thead><tr>\r\n"
    "<th class='th-sm'>#</th>\r\n"
    "<th class='th-sm'>Date</th>\r\n"
    "<th class='th-sm'>Price</th>\r\n"
    "<th class='th-sm'>Status</th>\r\n"
    "<th class='th-sm'>Image</th>\r\n"
    "<th class='th-sm'>Description</th>\r\n"
    "<th class='th-sm'>Options</th>\r\n"
    "<th class='th-sm'>Store</th>\r\n"
    "<th class='th-sm'>Rating</th>\r\n"
    "</tr></thead><tbody>\r\n";

// The 11 lines after the last row block, up to the library scripts.
constexpr std::string_view kFooter =
    "<tfoot><tr>\r\n"
    "<th>#</th>\r\n"
    "<th>Date</th>\r\n"
    "<th>Price</th>\r\n"
    "<th>Status</th>\r\n"
    "<th>Image</th>\r\n"
    "<th>Description</th>\r\n"
    "<th>Options</th>\r\n"
    "<th>Store</th>\r\n"
    "<th>Rating</th>\r\n"
    "</tr></tfoot></table></div>\r\n";

// The scripts of the table, in the order they build on each other: jQuery, Bootstrap and MDB,
// DataTables, then the spreadsheet buttons (JSZip, the Buttons extension, its Bootstrap look,
// its file exports) and the program's own script that fills them with the orders.
constexpr std::string_view kScripts[] = {
    "js/jquery.min.js",
    "js/popper.min.js",
    "js/bootstrap.min.js",
    "js/mdb.min.js",
    "js/addons/datatables.min.js",
    "js/addons/jszip.min.js",
    "js/addons/dataTables.buttons.min.js",
    "js/addons/buttons.bootstrap4.min.js",
    "js/addons/buttons.html5.min.js",
    "js/order-export.js",
};

// The last three lines: the star plugin, the table's start, the end of the page. The page's
// own script starts the table (orderTable() in order-export.js); without it the table starts
// as plainly as DataTables can, and without DataTables the rows are shown as they are (the
// head hides them only until the table has started).
constexpr std::string_view kEnd =
    "<script>$.fn.stars=function(){return $(this).each(function(){var t=parseFloat($(this).html()),"
    "a=16*Math.max(0,Math.min(5,t)),h=$('<span />').width(a).text(parseInt(t*100));$(this).html(h)"
    "})};</script>\r\n"
    "<script>(function(t){var j=window.jQuery;"
    "if(j&&j.fn.orderTable)j(function(){j(t).orderTable()});"
    "else if(j&&j.fn.DataTable)j(function(){j('span.stars').stars();j(t).DataTable();"
    "j('.dataTables_length').addClass('bs-select')});"
    "else t.className+=' ae-plain'})(document.getElementById('ae'));</script>\r\n"
    "</body></html>\r\n";

// Where the head finds the table's own stylesheets, scripts and star picture.
std::string AssetAddress(std::string_view asset_host) {
  if (asset_host.empty()) return std::string(kAssetFolderAddress);
  return "http://" + std::string(asset_host) + "/ae/";
}

void AppendStylesheet(std::string& out, const std::string& assets, std::string_view file) {
  out.append("<link rel='stylesheet' href='").append(assets).append(file).append("'>");
}

// Lines 1 to 33: the head and the table's header row, up to the opening of the body.
std::string Head(std::string_view asset_host) {
  const std::string assets = AssetAddress(asset_host);
  std::string head(kHeadStart);
  if (asset_host.empty()) {
    AppendStylesheet(head, assets, "fontawesome/css/all.min.css");
    head.append("\r\n");
    // One line for the text font as for the hosted one, which names the four weights at once.
    for (const char* weight : {"300", "400", "500", "700"}) {
      AppendStylesheet(head, assets, std::string("roboto/") + weight + ".css");
    }
    head.append("\r\n");
  } else {
    head.append(kHostedFonts);
  }
  for (const char* sheet : {"css/bootstrap.min.css", "css/mdb.min.css", "css/style.css"}) {
    AppendStylesheet(head, assets, sheet);
    head.append("\r\n");
  }
  // The one link whose href comes first: tables written so far carry it that way.
  head.append("<link href='")
      .append(assets)
      .append("css/addons/datatables.min.css' rel='stylesheet'>\r\n");
  AppendStylesheet(head, assets, "css/addons/buttons.bootstrap4.min.css");
  head.append("\r\n");
  // The rows stay out of the layout until the table has started and shows one page of them:
  // laid out while they arrive, a table of thousands of rows is laid out again and again.
  head.append(
      "<style>.centered{margin:auto; width: 90%}"
      "#ae:not(.dataTable):not(.ae-plain)>tbody{display:none}</style>\r\n");
  head.append("<style>span.stars,span.stars span{font-size:0;display:block;background:url(")
      .append(assets)
      .append(
          "stars.png) 0 -16px repeat-x;width:80px;height:16px}span.stars span"
          "{background-position:0 0}</style>\r\n");
  head.append(kHeadEnd);
  return head;
}

// The 24 lines after the last row block: footer row, scripts, inline scripts.
std::string Tail(std::string_view asset_host) {
  const std::string assets = AssetAddress(asset_host);
  std::string tail(kFooter);
  for (std::string_view script : kScripts) {
    tail.append("<script type='text/javascript' src='")
        .append(assets)
        .append(script)
        .append("'></script>\r\n");
  }
  tail.append(kEnd);
  return tail;
}

void AppendCell(std::string& out, std::string_view content) {
  out.append("<td>").append(content).append("</td>\r\n");
}

}  // namespace

namespace {

// Room for any FormatNumber text: sign, fifteen digits, point and exponent.
using NumberBuffer = std::array<char, 32>;

// Writes the FormatNumber text of `value` into `buffer` and returns it.
std::string_view FormatNumberInto(double value, NumberBuffer& buffer) {
  char* const begin = buffer.data();
  if (value == 0) return "0";  // also for -0, which carries no sign
  // A whole number of up to fifteen digits is written as such, which the general format
  // below would give too, without its cost (every row number takes this way).
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    const auto end = std::to_chars(begin, begin + buffer.size(), static_cast<long long>(value)).ptr;
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
  }
  // Fifteen significant digits, exponent only outside 1E-05 .. 1E+15, as %.15G would write.
  char* end =
      std::to_chars(begin, begin + buffer.size(), value, std::chars_format::general, 15).ptr;
  for (char* ch = begin; ch != end; ++ch) {
    if (*ch == 'e') *ch = 'E';
  }
  // Fractions below one are written without their leading zero: .66, -.5.
  char* const digits = begin + (*begin == '-' ? 1 : 0);
  if (end - digits >= 2 && digits[0] == '0' && digits[1] == '.') {
    std::memmove(digits, digits + 1, static_cast<std::size_t>(end - digits - 1));
    --end;
  }
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

std::string FormatNumber(double value) {
  NumberBuffer buffer;
  return std::string(FormatNumberInto(value, buffer));
}

void AppendRowBlock(std::string& out, const OrderRow& row, long long number,
                    RatingGenerator& ratings) {
  out.append("<!--").append(row.order_id).append("-->\r\n");
  out.append("<tr>\r\n");
  // The number cell opens with <td> and closes with </th>: browsers accept it, and existing
  // tables carry it, so rows written later must look the same.
  NumberBuffer buffer;
  out.append("<td>")
      .append(FormatNumberInto(static_cast<double>(number), buffer))
      .append("</th>\r\n");
  AppendCell(out, row.date);
  AppendCell(out, row.price);
  AppendCell(out, row.status);
  AppendCell(out, row.image);
  AppendCell(out, row.description);
  AppendCell(out, row.options);
  AppendCell(out, row.store);
  out.append("<td><span class='stars'>")
      .append(FormatNumberInto(ratings.NextRating(), buffer))
      .append("</span></td>\r\n");
  out.append("</tr>\r\n");
}

std::size_t RowBlocksSize(const RowList& rows) {
  // The fixed text of a block is about 150 bytes; the number and rating add a few more.
  std::size_t size = 0;
  for (const OrderRow& row : rows) {
    size += 192 + row.order_id.size() + row.date.size() + row.price.size() + row.status.size() +
            row.image.size() + row.description.size() + row.options.size() + row.store.size();
  }
  return size;
}

std::string RowBlock(const OrderRow& row, long long number, RatingGenerator& ratings) {
  std::string block;
  AppendRowBlock(block, row, number, ratings);
  return block;
}

std::string_view BuiltAssetHost() { return ORDERTABLE_ASSET_HOST; }

std::string NewTableDocument(const RowList& rows, RatingGenerator& ratings,
                             std::string_view asset_host) {
  const std::string head = Head(asset_host);
  const std::string tail = Tail(asset_host);
  std::string document;
  document.reserve(head.size() + RowBlocksSize(rows) + tail.size());
  document.append(head);
  const long long count = static_cast<long long>(rows.size());
  for (long long i = 0; i < count; ++i) {
    AppendRowBlock(document, rows[static_cast<std::size_t>(i)], count - i, ratings);
  }
  document.append(tail);
  return document;
}

bool TableExists(const TablePlaces& places) { return files::IsFile(places.document); }

TableKeptIn WhereTableIsKept(const TablePlaces& places) {
  if (files::IsOrdinaryFile(places.document)) return TableKeptIn::kDocument;
  if (files::IsOrdinaryFile(places.backup)) return TableKeptIn::kBackup;
  return TableKeptIn::kNowhere;
}

std::string FolderInTheWay(const TablePlaces& places) {
  if (!files::IsFolder(places.document)) return {};
  return std::string("a folder named \"") + kTableDocument +
         "\" is in the way of the table: move or rename that folder";
}

std::string PutBackInterruptedTable(const TablePlaces& places) {
  if (files::IsFile(places.document) || files::IsFolder(places.document)) return {};
  std::vector<std::filesystem::path> left = files::StaleTemporaryFilesOf(places.document);
  if (const auto legacy = places.folder / kTableTemporary; files::IsOrdinaryFile(legacy)) {
    left.push_back(legacy);
  }
  // No temporary file: the table was moved or erased on purpose, not lost by a stopped run.
  if (left.empty()) return {};
  for (const std::filesystem::path& temporary : left) {
    // It was complete and flushed to the disk before the table was moved aside, unless the
    // run stopped while writing it: then it lacks the end of the document.
    const std::optional<std::string> bytes = files::ReadWholeFile(temporary);
    if (!bytes || !ascii::EndsWithIgnoringCase(ascii::TrimBlanks(*bytes), "</html>")) continue;
    if (files::Rename(temporary, places.document)) {
      return std::string("\"") + kTableDocument +
             "\" was missing after a run that stopped part way; it was put back from the table" +
             " that run had written, \"" + files::FileName(temporary) + "\"";
    }
  }
  const std::optional<std::string> backup = files::ReadWholeFile(places.backup);
  if (backup && files::WriteFileAtomically(places.document, {*backup})) {
    return std::string("\"") + kTableDocument +
           "\" was missing after a run that stopped part way; it was put back from its backup \"" +
           kTableBackup + "\"";
  }
  return {};
}

bool WriteNewTable(const TablePlaces& places, const RowList& rows, RatingGenerator& ratings,
                   TableWriteError* error, std::string_view asset_host) {
  const auto fail = [&](std::string message) {
    error->message = std::move(message);
    error->kept_in = WhereTableIsKept(places);
    return false;
  };
  if (std::string in_the_way = FolderInTheWay(places); !in_the_way.empty()) {
    error->folder_in_the_way = true;
    return fail(std::move(in_the_way));
  }
  // The document is complete on disk before the assets are written, and takes its place only
  // once they are all there: a table never points at a folder that could not be filled.
  std::string reason;
  std::optional<files::PendingFile> pending = files::PendingFile::Write(
      places.document, {NewTableDocument(rows, ratings, asset_host)}, &reason);
  if (!pending) {
    return fail(std::string("\"") + kTableDocument + "\" could not be written: " + reason);
  }
  if (asset_host.empty() &&
      !WriteTableAssets(places.folder, AssetRefresh::kMissingOrDifferent, &reason)) {
    error->in_assets = true;
    return fail(std::move(reason));
  }
  if (!pending->Commit(&reason)) {
    return fail(std::string("\"") + kTableDocument + "\" could not be written: " + reason);
  }
  return true;
}

}  // namespace ordertable

#include "table/document.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "files/files.h"

#ifndef ORDERTABLE_ASSET_HOST
#error "ORDERTABLE_ASSET_HOST must name the host that serves the /ae/ files"
#endif

namespace ordertable {
namespace {

#define ORDERTABLE_IMAGE_HOST "ae01.alicdn.com"
#define ORDERTABLE_ICON_FONT_HOST "use.fontawesome.com"
#define ORDERTABLE_WEB_FONT_HOST "fonts.googleapis.com"
#define ORDERTABLE_ASSETS "http://" ORDERTABLE_ASSET_HOST "/ae/"

// Lines 1 to 32: the head and the table's header row, up to the opening of the body.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\r\n"
    "<html lang='en'>\r\n"
    "<head>\r\n"
    "<meta charset='UTF-8'>\r\n"
    "<meta name='viewport' content='width=device-width, initial-scale=1, "
    "shrink-to-fit=no'>\r\n"
    "<meta http-equiv='x-ua-compatible' content='ie=edge'>\r\n"
    "<title>My AliExpress Orders</title>\r\n"
    "<link rel='icon' href='https://" ORDERTABLE_IMAGE_HOST
    "/images/eng/wholesale/icon/aliexpress.ico' type='image/x-icon'>\r\n"
    "<link rel='stylesheet' href='https://" ORDERTABLE_ICON_FONT_HOST
    "/releases/v5.11.2/css/all.css'>\r\n"
    "<link rel='stylesheet' href='https://" ORDERTABLE_WEB_FONT_HOST
    "/css?family=Roboto:300,400,500,700&display=swap'>\r\n"
    "<link rel='stylesheet' href='" ORDERTABLE_ASSETS
    "css/bootstrap.min.css'>\r\n"
    "<link rel='stylesheet' href='" ORDERTABLE_ASSETS
    "css/mdb.min.css'>\r\n"
    "<link rel='stylesheet' href='" ORDERTABLE_ASSETS
    "css/style.css'>\r\n"
    "<link href='" ORDERTABLE_ASSETS
    "css/addons/datatables.min.css' rel='stylesheet'>\r\n"
    "<style>.centered{margin:auto; width: 90%}</style>\r\n"
    "<style>span.stars,span.stars span{font-size:0;display:block;background:url(" ORDERTABLE_ASSETS
    "stars.png) 0 -16px repeat-x;width:80px;height:16px}span.stars span{background-position:0 "
    "0}</style>\r\n"
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

// The 19 lines after the last row block: footer row, library scripts, inline scripts.
constexpr std::string_view kTail =
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
    "</tr></tfoot></table></div>\r\n"
    "<script type='text/javascript' src='" ORDERTABLE_ASSETS
    "js/jquery.min.js'></script>\r\n"
    "<script type='text/javascript' src='" ORDERTABLE_ASSETS
    "js/popper.min.js'></script>\r\n"
    "<script type='text/javascript' src='" ORDERTABLE_ASSETS
    "js/bootstrap.min.js'></script>\r\n"
    "<script type='text/javascript' src='" ORDERTABLE_ASSETS
    "js/mdb.min.js'></script>\r\n"
    "<script type='text/javascript' src='" ORDERTABLE_ASSETS
    "js/addons/datatables.min.js'></script>\r\n"
    "<script>$.fn.stars=function(){return $(this).each(function(){var t=parseFloat($(this).html()),"
    "a=16*Math.max(0,Math.min(5,t)),h=$('<span />').width(a).text(parseInt(t*100));$(this).html(h)"
    "})};</script>\r\n"
    "<script>$(document).ready(function(){$('span.stars').stars();"
    "$('#ae').DataTable();$('.dataTables_length').addClass('bs-select');});</script>\r\n"
    "</body></html>\r\n";

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

std::string NewTableDocument(const RowList& rows, RatingGenerator& ratings) {
  std::string document;
  document.reserve(kHead.size() + RowBlocksSize(rows) + kTail.size());
  document.append(kHead);
  const long long count = static_cast<long long>(rows.size());
  for (long long i = 0; i < count; ++i) {
    AppendRowBlock(document, rows[static_cast<std::size_t>(i)], count - i, ratings);
  }
  document.append(kTail);
  return document;
}

bool TableExists(const std::filesystem::path& folder) {
  return files::IsFile(folder / kTableDocument);
}

TableKeptIn WhereTableIsKept(const std::filesystem::path& folder) {
  if (files::IsOrdinaryFile(folder / kTableDocument)) return TableKeptIn::kDocument;
  if (files::IsOrdinaryFile(folder / kTableBackup)) return TableKeptIn::kBackup;
  return TableKeptIn::kNowhere;
}

bool WriteNewTable(const std::filesystem::path& folder, const RowList& rows,
                   RatingGenerator& ratings, TableWriteError* error) {
  if (files::WriteFileAtomically(folder / kTableDocument, {NewTableDocument(rows, ratings)})) {
    return true;
  }
  error->message = std::string("\"") + kTableDocument + "\" could not be written";
  error->kept_in = WhereTableIsKept(folder);
  return false;
}

}  // namespace ordertable

#include "tests/table/table_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ordertable::test {

ScratchFolder::ScratchFolder() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("ordertable-table-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; give the rights back before removing.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> EntriesBesideAssets(const std::filesystem::path& folder) {
  std::vector<std::string> names = FolderEntries(folder);
  std::erase(names, "AliExpress Orders files");
  return names;
}

OrderRow SampleRow(std::string_view id) {
  const std::string key(id);
  OrderRow row;
  row.order_id = key;
  row.date = "2019-03-15";
  row.price = "US $" + std::to_string(key.size()) + ".99";
  row.status = "Finished " + key;
  row.image = "<a target='_blank' href='https://img.example/" + key + ".jpg'><img src='https://" +
              "img.example/" + key + ".jpg_50x50.jpg'></a>";
  row.description = "<a target='_blank' href='https://shop.example/item/" + key +
                    ".html'>Cable 'USB' " + key + "</a>";
  row.options = "Color: Black";
  row.store =
      "<a target='_blank' href='https://shop.example/store/" + key + "'>Store " + key + "</a>";
  return row;
}

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

std::string ExpectedRowBlock(const DocumentRow& expected) {
  const OrderRow& row = expected.row;
  return Lines({
      "<!--" + row.order_id + "-->",
      "<tr>",
      "<td>" + expected.number + "</th>",
      "<td>" + row.date + "</td>",
      "<td>" + row.price + "</td>",
      "<td>" + row.status + "</td>",
      "<td>" + row.image + "</td>",
      "<td>" + row.description + "</td>",
      "<td>" + row.options + "</td>",
      "<td>" + row.store + "</td>",
      "<td><span class='stars'>" + expected.rating + "</span></td>",
      "</tr>",
  });
}

std::string ExpectedDocument(const std::vector<DocumentRow>& rows, std::string_view asset_host) {
  const bool hosted = !asset_host.empty();
  const std::string assets =
      hosted ? "http://" + std::string(asset_host) + "/ae/" : "AliExpress%20Orders%20files/";
  const std::string icon_font = hosted ? "https://use.fontawesome.com/releases/v5.11.2/css/all.css"
                                       : assets + "fontawesome/css/all.min.css";
  std::string web_fonts;
  if (hosted) {
    web_fonts =
        "<link rel='stylesheet' href='https://fonts.googleapis.com/"
        "css?family=Roboto:300,400,500,700&display=swap'>";
  } else {
    for (const char* weight : {"300", "400", "500", "700"}) {
      web_fonts += "<link rel='stylesheet' href='" + assets + "roboto/" + weight + ".css'>";
    }
  }
  std::string text = Lines({
      "<!DOCTYPE html>",
      "<html lang='en'>",
      "<head>",
      "<meta charset='UTF-8'>",
      "<meta name='viewport' content='width=device-width, initial-scale=1, shrink-to-fit=no'>",
      "<meta http-equiv='x-ua-compatible' content='ie=edge'>",
      "<title>My AliExpress Orders</title>",
      "<link rel='icon' href='https://ae01.alicdn.com/images/eng/wholesale/icon/aliexpress.ico' "
      "type='image/x-icon'>",
      "<link rel='stylesheet' href='" + icon_font + "'>",
      web_fonts,
      "<link rel='stylesheet' href='" + assets + "css/bootstrap.min.css'>",
      "<link rel='stylesheet' href='" + assets + "css/mdb.min.css'>",
      "<link rel='stylesheet' href='" + assets + "css/style.css'>",
      "<link href='" + assets + "css/addons/datatables.min.css' rel='stylesheet'>",
      "<link rel='stylesheet' href='" + assets + "css/addons/buttons.bootstrap4.min.css'>",
      "<style>.centered{margin:auto; width: 90%}#ae:not(.dataTable):not(.ae-plain)>tbody"
      "{display:none}</style>",
      "<style>span.stars,span.stars span{font-size:0;display:block;background:url(" + assets +
          "stars.png) 0 -16px repeat-x;width:80px;height:16px}span.stars span"
          "{background-position:0 0}</style>",
      "</head><body>",
      "<br>",
      "<div class='centered'>",
      "<h2>My AliExpress Orders</h2>",
      "<table id='ae' class='table'>",
      "<thead><tr>",
  });
  for (const char* heading :
       {"#", "Date", "Price", "Status", "Image", "Description", "Options", "Store", "Rating"}) {
    text += "<th class='th-sm'>" + std::string(heading) + "</th>\r\n";
  }
  text += "</tr></thead><tbody>\r\n";
  for (const auto& row : rows) text += ExpectedRowBlock(row);
  text += "<tfoot><tr>\r\n";
  for (const char* heading :
       {"#", "Date", "Price", "Status", "Image", "Description", "Options", "Store", "Rating"}) {
    text += "<th>" + std::string(heading) + "</th>\r\n";
  }
  text += "</tr></tfoot></table></div>\r\n";
  for (const char* script :
       {"jquery.min.js", "popper.min.js", "bootstrap.min.js", "mdb.min.js",
        "addons/datatables.min.js", "addons/jszip.min.js", "addons/dataTables.buttons.min.js",
        "addons/buttons.bootstrap4.min.js", "addons/buttons.html5.min.js", "order-export.js"}) {
    text += "<script type='text/javascript' src='" + assets + "js/" + script + "'></script>\r\n";
  }
  text += Lines({
      "<script>$.fn.stars=function(){return $(this).each(function(){var t=parseFloat($(this)"
      ".html()),a=16*Math.max(0,Math.min(5,t)),h=$('<span />').width(a).text(parseInt(t*100));"
      "$(this).html(h)})};</script>",
      "<script>(function(t){var j=window.jQuery;if(j&&j.fn.orderTable)j(function(){j(t)"
      ".orderTable()});else if(j&&j.fn.DataTable)j(function(){j('span.stars').stars();"
      "j(t).DataTable();j('.dataTables_length').addClass('bs-select')});else t.className+="
      "' ae-plain'})(document.getElementById('ae'));</script>",
      "</body></html>",
  });
  return text;
}

bool ReadOnlyFoldersRefuseWrites() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() != 0;
#endif
}

}  // namespace ordertable::test

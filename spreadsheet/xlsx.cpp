#include "spreadsheet/xlsx.h"

#include <string_view>

#include "spreadsheet/cell_values.h"
#include "spreadsheet/zip.h"

namespace ordertable {
namespace {

constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr std::string_view kMainNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
#define ORDERTABLE_RELATIONSHIPS \
  "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
#define ORDERTABLE_PACKAGE_RELATIONSHIPS \
  "http://schemas.openxmlformats.org/package/2006/relationships"
#define ORDERTABLE_CONTENT_TYPE "application/vnd.openxmlformats-officedocument.spreadsheetml."

constexpr std::string_view kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" ORDERTABLE_CONTENT_TYPE
    "sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" ORDERTABLE_CONTENT_TYPE
    "worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" ContentType=\"" ORDERTABLE_CONTENT_TYPE
    "styles+xml\"/>"
    "</Types>";

constexpr std::string_view kPackageRelationships =
    "<Relationships xmlns=\"" ORDERTABLE_PACKAGE_RELATIONSHIPS
    "\">"
    "<Relationship Id=\"rId1\" Type=\"" ORDERTABLE_RELATIONSHIPS
    "/officeDocument\" "
    "Target=\"xl/workbook.xml\"/>"
    "</Relationships>";

constexpr std::string_view kWorkbookRelationships =
    "<Relationships xmlns=\"" ORDERTABLE_PACKAGE_RELATIONSHIPS
    "\">"
    "<Relationship Id=\"rId1\" Type=\"" ORDERTABLE_RELATIONSHIPS
    "/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"" ORDERTABLE_RELATIONSHIPS
    "/styles\" "
    "Target=\"styles.xml\"/>"
    "</Relationships>";

// Cell formats by index: 0 plain, 1 header (bold), 2 date, 3 several lines (wrapped, top).
enum Style { kPlain = 0, kHeader = 1, kDate = 2, kLines = 3 };
constexpr std::string_view kStyles =
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyAlignment=\"1\">"
    "<alignment vertical=\"top\" wrapText=\"1\"/></xf>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>";

// "A" for column 0, "Z" for 25, "AA" for 26.
std::string ColumnName(std::size_t column) {
  std::string name;
  for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return name;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
}

void OpenCell(std::string& out, std::string_view column, std::size_t row, Style style) {
  out.append("<c r=\"").append(column).append(std::to_string(row)).append("\"");
  if (style != kPlain) out.append(" s=\"").append(std::to_string(style)).append("\"");
}

void AppendTextCell(std::string& out, std::string_view column, std::size_t row,
                    std::string_view text, Style style) {
  OpenCell(out, column, row, style);
  // Without xml:space a reader may drop the blanks and line breaks around the words.
  const bool preserve =
      text.front() == ' ' || text.back() == ' ' || text.find('\n') != std::string_view::npos;
  out.append(" t=\"inlineStr\"><is><t").append(preserve ? " xml:space=\"preserve\">" : ">");
  AppendEscaped(out, text);
  out.append("</t></is></c>");
}

void AppendNumberCell(std::string& out, std::string_view column, std::size_t row, double number,
                      Style style) {
  OpenCell(out, column, row, style);
  out.append("><v>").append(NumberText(number)).append("</v></c>");
}

std::string Worksheet(const Sheet& sheet) {
  std::vector<std::string> columns;
  for (std::size_t i = 0; i < sheet.columns.size(); ++i) columns.push_back(ColumnName(i));
  const std::string range = "A1:" + (columns.empty() ? std::string("A") : columns.back()) +
                            std::to_string(sheet.lines.size() + 1);
  std::string xml(kXmlDeclaration);
  xml.append("<worksheet xmlns=\"").append(kMainNamespace).append("\">");
  xml.append("<dimension ref=\"").append(range).append("\"/>");
  xml.append(
      "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" "
      "activePane=\"bottomLeft\" state=\"frozen\"/></sheetView></sheetViews>");
  xml.append("<cols>");
  for (std::size_t i = 0; i < sheet.columns.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    xml.append("<col min=\"").append(number).append("\" max=\"").append(number);
    xml.append("\" width=\"").append(NumberText(sheet.columns[i].width));
    xml.append("\" customWidth=\"1\"/>");
  }
  xml.append("</cols><sheetData><row r=\"1\">");
  for (std::size_t i = 0; i < sheet.columns.size(); ++i) {
    AppendTextCell(xml, columns[i], 1, sheet.columns[i].title, kHeader);
  }
  xml.append("</row>");
  for (std::size_t n = 0; n < sheet.lines.size(); ++n) {
    const std::size_t row = n + 2;
    xml.append("<row r=\"").append(std::to_string(row)).append("\">");
    const auto& line = sheet.lines[n];
    for (std::size_t i = 0; i < line.size() && i < columns.size(); ++i) {
      const SheetCell& cell = line[i];
      switch (cell.kind) {
        case CellKind::kText:
          // An empty cell is left out, as spreadsheets write it.
          if (!cell.text.empty()) {
            AppendTextCell(xml, columns[i], row, cell.text,
                           sheet.columns[i].multi_line ? kLines : kPlain);
          }
          break;
        case CellKind::kNumber:
          AppendNumberCell(xml, columns[i], row, cell.number, kPlain);
          break;
        case CellKind::kDate:
          AppendNumberCell(xml, columns[i], row, cell.number, kDate);
          break;
      }
    }
    xml.append("</row>");
  }
  xml.append("</sheetData><autoFilter ref=\"").append(range).append("\"/></worksheet>");
  return xml;
}

std::string Workbook(const Sheet& sheet) {
  const std::string last_column =
      sheet.columns.empty() ? "A" : ColumnName(sheet.columns.size() - 1);
  std::string xml(kXmlDeclaration);
  xml.append("<workbook xmlns=\"").append(kMainNamespace);
  xml.append("\" xmlns:r=\"" ORDERTABLE_RELATIONSHIPS "\">");
  xml.append("<bookViews><workbookView/></bookViews>");
  xml.append("<sheets><sheet name=\"Orders\" sheetId=\"1\" r:id=\"rId1\"/></sheets>");
  // Excel keeps the range of the filter buttons under this name.
  xml.append("<definedNames><definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" ");
  xml.append("hidden=\"1\">Orders!$A$1:$").append(last_column).append("$");
  xml.append(std::to_string(sheet.lines.size() + 1)).append("</definedName></definedNames>");
  xml.append("</workbook>");
  return xml;
}

std::string Part(std::string_view body) {
  std::string xml(kXmlDeclaration);
  xml.append(body);
  return xml;
}

}  // namespace

std::string XlsxWorkbook(const Sheet& sheet) {
  ZipArchive archive;
  archive.Add("[Content_Types].xml", Part(kContentTypes));
  archive.Add("_rels/.rels", Part(kPackageRelationships));
  archive.Add("xl/workbook.xml", Workbook(sheet));
  archive.Add("xl/_rels/workbook.xml.rels", Part(kWorkbookRelationships));
  std::string styles(kXmlDeclaration);
  styles.append("<styleSheet xmlns=\"").append(kMainNamespace).append("\">");
  styles.append(kStyles).append("</styleSheet>");
  archive.Add("xl/styles.xml", styles);
  archive.Add("xl/worksheets/sheet1.xml", Worksheet(sheet));
  return std::move(archive).Finish();
}

}  // namespace ordertable

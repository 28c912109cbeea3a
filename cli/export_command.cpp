// The export command: the orders of the table as a spreadsheet, CSV or Excel workbook.

#include <optional>
#include <string_view>
#include <system_error>

#include "cli/commands.h"
#include "files/files.h"
#include "orders/ascii.h"
#include "spreadsheet/csv.h"
#include "spreadsheet/order_sheet.h"
#include "spreadsheet/xlsx.h"
#include "table/document.h"
#include "table/document_reader.h"
#include "table/places.h"

namespace ordertable::cli {

// The default names keep a stem of their own: a file is written through a temporary file
// named after its stem, and "AliExpress Orders.tmp" belongs to the table while it is written.
constexpr const char* kCsvExport = "AliExpress Orders export.csv";
constexpr const char* kXlsxExport = "AliExpress Orders export.xlsx";

const char* const kExportCommandHelp =
    "  export [--csv | --xlsx] [FILE]\n"
    "                          write the orders of \"AliExpress Orders.html\" as a spreadsheet\n"
    "                          for Excel or LibreOffice, one line per order: order id, date,\n"
    "                          price, amount, currency, status, product titles, product\n"
    "                          links, options, store, store link, picture link, rating. FILE\n"
    "                          is by default \"AliExpress Orders export.csv\", with --xlsx\n"
    "                          \"AliExpress Orders export.xlsx\"; without --csv or --xlsx the\n"
    "                          format follows FILE's extension (CSV unless it is .xlsx). A row\n"
    "                          of the table that cannot be read is named and left out\n";

namespace {

enum class Format { kCsv, kXlsx };

struct ExportOptions {
  std::optional<Format> format;
  std::string file;
};

std::optional<ExportOptions> ParseExportOptions(const std::vector<std::string>& args,
                                                std::ostream& err) {
  ExportOptions options;
  bool files_only = false;
  for (const std::string& arg : args) {
    if (!files_only && (arg == "--csv" || arg == "--xlsx")) {
      const Format format = arg == "--csv" ? Format::kCsv : Format::kXlsx;
      if (options.format && *options.format != format) {
        err << "export writes one format: give --csv or --xlsx, not both\n";
        return std::nullopt;
      }
      options.format = format;
    } else if (!files_only && arg == "--") {
      files_only = true;
    } else if ((files_only || arg.empty() || arg[0] != '-') && options.file.empty() &&
               !arg.empty()) {
      options.file = arg;
    } else {
      err << "unexpected argument '" << arg << "' (see --help)\n";
      return std::nullopt;
    }
  }
  if (options.file.empty()) {
    options.file = options.format == Format::kXlsx ? kXlsxExport : kCsvExport;
    if (!options.format) options.format = Format::kCsv;
  } else if (!options.format) {
    options.format =
        ascii::EndsWithIgnoringCase(options.file, ".xlsx") ? Format::kXlsx : Format::kCsv;
  } else if (ascii::EndsWithIgnoringCase(options.file,
                                         *options.format == Format::kCsv ? ".xlsx" : ".csv")) {
    err << "'" << options.file << "' names the other format than "
        << (*options.format == Format::kCsv ? "--csv" : "--xlsx") << " (see --help)\n";
    return std::nullopt;
  }
  return options;
}

/// True when `a` and `b` name the same file, or would once created.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  const auto canonical_a = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const auto canonical_b = std::filesystem::weakly_canonical(b, error);
  return !error && canonical_a == canonical_b;
}

}  // namespace

std::optional<std::filesystem::path> OutputFileBesideTable(const std::filesystem::path& folder,
                                                           const std::string& file,
                                                           std::ostream& err) {
  const std::filesystem::path target = folder / files::PathFromUtf8(file);
  const TablePlaces places(folder);
  for (const std::filesystem::path& kept :
       {places.document, places.backup, places.stored_capture}) {
    if (SameFile(target, kept)) {
      err << "'" << file
          << "' is the table itself, its backup or the cached capture; choose another FILE\n";
      return std::nullopt;
    }
  }
  return target;
}

int RunExportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err) {
  const std::optional<ExportOptions> options = ParseExportOptions(args, err);
  if (!options) return kExitBadInput;
  const std::optional<std::filesystem::path> target =
      OutputFileBesideTable(folder, options->file, err);
  if (!target) return kExitBadInput;
  const TablePlaces places(folder);
  const std::optional<std::string> document = files::ReadWholeFile(places.document);
  if (!document) {
    err << "there is no \"" << kTableDocument << "\" in this folder to export (or it cannot"
        << " be read)\n";
    return kExitBadInput;
  }

  const TableReading reading = ReadTableRows(*document);
  for (const UnreadableRow& row : reading.unreadable) {
    err << "\"" << kTableDocument << "\": " << DescribeUnreadableRow(row) << "; it is left out\n";
  }
  const Sheet sheet = OrderSheet(reading.rows);
  const std::string bytes =
      options->format == Format::kXlsx ? XlsxWorkbook(sheet) : CsvDocument(sheet);
  std::string reason;
  if (!files::WriteFileAtomically(*target, {bytes}, &reason)) {
    err << "\"" << options->file << "\" could not be written: " << reason << "\n";
    return kExitWriteFailed;
  }
  out << reading.rows.size() << " row(s) written to \"" << options->file << "\"";
  if (!reading.unreadable.empty()) {
    out << "; " << reading.unreadable.size() << " row(s) of the table could not be read";
  }
  out << "\n";
  return kExitDone;
}

}  // namespace ordertable::cli

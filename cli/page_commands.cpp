// The commands that read single order-list pages: rows and clean.

#include <optional>
#include <system_error>

#include "cli/commands.h"
#include "files/files.h"
#include "orders/extract.h"
#include "orders/text.h"

namespace ordertable::cli {

const char* const kPageCommandsHelp =
    "  rows FILE               print the order rows of FILE, read as a cached page file is\n"
    "                          read (as is, not cleaned): one row per line, the fields order\n"
    "                          id, date, price, status, image, description, options and\n"
    "                          store separated by tabs\n"
    "  clean FILE              print the cleaned text of FILE (a page source as copied or\n"
    "                          saved from the browser), byte for byte; this is what the\n"
    "                          wizard stores as a cached page file\n";

namespace {

// The one FILE argument of rows and clean, read whole; nothing when it cannot be.
std::optional<std::string> ReadFileArgument(const std::vector<std::string>& args,
                                            std::string_view command,
                                            const std::filesystem::path& folder,
                                            std::ostream& err) {
  if (args.size() != 1) {
    err << "ordertable-cli: " << command << (args.empty() ? " needs a FILE" : " takes one FILE")
        << " (see --help)\n";
    return std::nullopt;
  }
  const std::filesystem::path path = folder / files::PathFromUtf8(args[0]);
  std::error_code error;
  const char* why = nullptr;
  if (!std::filesystem::exists(path, error)) {
    why = ": no such file";
  } else if (std::filesystem::is_directory(path, error)) {
    why = ": it is a folder";
  }
  std::optional<std::string> bytes;
  if (why == nullptr) bytes = files::ReadWholeFile(path);
  if (!bytes) err << "ordertable-cli: cannot read '" << args[0] << "'" << (why ? why : "") << "\n";
  return bytes;
}

int Write(std::string_view bytes, std::ostream& out, std::ostream& err) {
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (out) return kExitDone;
  err << "ordertable-cli: cannot write to standard output\n";
  return kExitWriteFailed;
}

}  // namespace

int RunRowsCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                   std::ostream& out, std::ostream& err) {
  const std::optional<std::string> page = ReadFileArgument(args, "rows", folder, err);
  if (!page) return kExitBadInput;
  RowList rows;
  ExtractRows(*page, rows);
  std::string text;
  for (const OrderRow& row : rows) {
    for (const std::string* field : {&row.order_id, &row.date, &row.price, &row.status, &row.image,
                                     &row.description, &row.options}) {
      text += *field;
      text += '\t';
    }
    text += row.store;
    text += '\n';
  }
  return Write(text, out, err);
}

int RunCleanCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err) {
  const std::optional<std::string> text = ReadFileArgument(args, "clean", folder, err);
  if (!text) return kExitBadInput;
  return Write(CleanUpText(*text), out, err);
}

}  // namespace ordertable::cli

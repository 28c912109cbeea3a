// The bookmark command: writes the page that hands the shopper the bookmark.

#include "cli/commands.h"
#include "table/bookmark_page.h"

namespace ordertable::cli {

const char* const kBookmarkCommandHelp =
    "  bookmark [FILE]         write the page that hands you the bookmark which reads your\n"
    "                          whole order list on today's order page, with its steps and\n"
    "                          the developer-tools route; FILE is by default \"Get AliExpress\n"
    "                          orders.html\", and a file of that name is replaced\n";

int RunBookmarkCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                       std::ostream& out, std::ostream& err) {
  std::string file;
  bool files_only = false;
  for (const std::string& arg : args) {
    if (!files_only && arg == "--") {
      files_only = true;
    } else if ((files_only || arg.empty() || arg[0] != '-') && file.empty() && !arg.empty()) {
      file = arg;
    } else {
      err << "unexpected argument '" << arg << "' (see --help)\n";
      return kExitBadInput;
    }
  }
  if (file.empty()) file = kBookmarkPage;
  const std::optional<std::filesystem::path> target = OutputFileBesideTable(folder, file, err);
  if (!target) return kExitBadInput;
  std::string reason;
  if (!WriteBookmarkPage(*target, &reason)) {
    err << "'" << file << "' could not be written: " << reason << "\n";
    return kExitWriteFailed;
  }
  out << file << "\n";
  return kExitDone;
}

}  // namespace ordertable::cli

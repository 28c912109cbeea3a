// ordertable-cli: the order-page tools without the wizard, for pages saved as files and for
// end-to-end checks.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace ordertable::cli {
namespace {

// The commands; each lives in a file of its own and is declared in a header of this folder.
const Command kCommands[] = {
    {"rows", kPageCommandsHelp, RunRowsCommand},
    {"clean", "", RunCleanCommand},
    {"build", kBuildCommandsHelp, RunBuildCommand},
    {"import", "", RunImportCommand},
    {"export", kExportCommandHelp, RunExportCommand},
    {"bookmark", kBookmarkCommandHelp, RunBookmarkCommand},
};

void PrintUsage(std::ostream& out) {
  out << "Usage: ordertable-cli COMMAND [ARGUMENTS...]\n"
         "       ordertable-cli --help\n"
         "Reads the pages of the order list (\"My Orders\") saved from the browser as page\n"
         "source. File names are relative to the current folder.\n"
         "\n"
         "Commands:\n";
  for (const Command& command : kCommands) out << command.help;
  out << "\n" << kExitStatusHelp;
}

int Run(int argc, char** argv) {
  SetBinaryOutput();
  std::vector<std::string> words = CommandLineWords(argc, argv);
  if (words.empty()) {
    PrintUsage(std::cerr);
    return kExitBadInput;
  }
  const std::string name = words.front();
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    std::cout.flush();
    return std::cout ? kExitDone : kExitWriteFailed;
  }
  const std::vector<std::string> args(words.begin() + 1, words.end());
  for (const Command& command : kCommands) {
    if (command.name == name) return command.run(args, ".", std::cout, std::cerr);
  }
  std::cerr << "ordertable-cli: unknown command '" << name << "' (see --help)\n";
  return kExitBadInput;
}

}  // namespace
}  // namespace ordertable::cli

int main(int argc, char** argv) {
  try {
    return ordertable::cli::Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "ordertable-cli: " << error.what() << "\n";
    return 1;
  }
}

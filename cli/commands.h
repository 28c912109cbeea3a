#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ordertable::cli {

/// One command of the tool: `ordertable-cli NAME ARGUMENTS...`.
struct Command {
  std::string_view name;
  /// The command's lines in --help, each starting with two spaces and ending with "\n"; may
  /// be empty when another command's lines describe this one too.
  std::string_view help;
  /// Runs the command with the words after its name, in the working folder `folder`, writing
  /// to `out` (binary: bytes pass unchanged) and `err`; returns the exit status.
  int (*run)(const std::vector<std::string>& args, const std::filesystem::path& folder,
             std::ostream& out, std::ostream& err);
};

/// Exit statuses of every command.
inline constexpr int kExitDone = 0;
/// Bad arguments, or an input file that cannot be read or is not what the command takes;
/// nothing was written.
inline constexpr int kExitBadInput = 1;
/// No cached page file to build from; nothing was written.
inline constexpr int kExitNoPages = 2;
/// A file or standard output could not be written, or a cached page file could not be read;
/// nothing was written and no order was lost.
inline constexpr int kExitWriteFailed = 3;

/// Another run (of the tool or the wizard) holds the table's folder; nothing was written.
inline constexpr int kExitBusy = 4;

/// The --help lines of the exit statuses.
extern const char* const kExitStatusHelp;

/// The --help lines of rows and clean.
extern const char* const kPageCommandsHelp;
/// The --help lines of build and import.
extern const char* const kBuildCommandsHelp;
/// The --help lines of export.
extern const char* const kExportCommandHelp;

/// `rows FILE`: the order rows of FILE read as a cached page file (no clean-up), one per line,
/// the eight fields separated by tabs.
int RunRowsCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                   std::ostream& out, std::ostream& err);

/// `clean FILE`: the cleaned text of FILE, byte for byte.
int RunCleanCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err);

/// `build [--update]`: builds the table in `folder` from its cached page files, as the wizard
/// does.
int RunBuildCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err);

/// `import [--update] FILE...`: stores saved order-list pages as the cached page files of
/// `folder`, then builds the table.
int RunImportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err);

/// `export [--csv | --xlsx] [FILE]`: writes the orders of the table in `folder` as a CSV file
/// or an Excel workbook.
int RunExportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err);

/// `bookmark [FILE]`: writes the page that hands the shopper the bookmark, by default
/// "Get AliExpress orders.html" in `folder`.
int RunBookmarkCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                       std::ostream& out, std::ostream& err);
/// The --help lines of bookmark.
extern const char* const kBookmarkCommandHelp;

/// The target of an output file named `file` (UTF-8, relative to `folder`); nothing, with the
/// reason on `err`, when it is the table, its backup or the cached capture, which writing over
/// would lose.
std::optional<std::filesystem::path> OutputFileBesideTable(const std::filesystem::path& folder,
                                                           const std::string& file,
                                                           std::ostream& err);

/// Switches standard output to binary, so that no platform turns LF into CR LF.
void SetBinaryOutput();

/// The words of the command line after the program's name, in UTF-8 (`argv` on POSIX; on
/// Windows the wide command line, since `argv` holds them in the ANSI code page).
std::vector<std::string> CommandLineWords(int argc, char** argv);

}  // namespace ordertable::cli

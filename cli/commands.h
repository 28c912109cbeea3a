#pragma once

#include <filesystem>
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

/// Exit statuses of rows and clean.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUnreadable = 1;    ///< bad arguments, or FILE cannot be read
inline constexpr int kExitOutputFailed = 3;  ///< standard output could not be written

/// The --help lines of rows and clean.
extern const char* const kPageCommandsHelp;

/// `rows FILE`: the order rows of FILE read as a cached page file (no clean-up), one per line,
/// the eight fields separated by tabs.
int RunRowsCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                   std::ostream& out, std::ostream& err);

/// `clean FILE`: the cleaned text of FILE, byte for byte.
int RunCleanCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err);

/// Switches standard output to binary, so that no platform turns LF into CR LF.
void SetBinaryOutput();

}  // namespace ordertable::cli

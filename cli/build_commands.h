#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ordertable::cli {

/// Exit statuses of `build` and `import`.
inline constexpr int kExitDone = 0;         ///< the table document was written or updated
inline constexpr int kExitBadInput = 1;     ///< bad arguments or page files: nothing written
inline constexpr int kExitNoPages = 2;      ///< no cached page file: nothing written
inline constexpr int kExitWriteFailed = 3;  ///< a file could not be written; no order lost

/// The lines that `--help` shows for the two commands and their exit statuses.
extern const char* const kBuildCommandsHelp;

/// `build [--update]`: builds the table in `folder` from its cached page files, as the wizard
/// does. `args` are the words after the command name.
int RunBuildCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err);

/// `import [--update] FILE...`: stores saved order-list pages as the cached page files of
/// `folder`, then builds the table.
int RunImportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err);

}  // namespace ordertable::cli

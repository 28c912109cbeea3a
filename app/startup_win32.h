#pragma once

#include <string>

namespace ordertable {

/// Creates the folder "tmp" in the current directory and deletes the cached page files of an
/// earlier run: every tmp\*.html that is not hidden, not a system file and not a folder, read-only
/// ones included. Failures are ignored; other files in "tmp" stay.
void PrepareCacheFolder();

/// The base name of the program's own file, without folder and extension: the dialog caption.
std::string ProgramBaseName();

}  // namespace ordertable

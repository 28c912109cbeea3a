#pragma once

#include <string>

namespace ordertable {

/// The base name of the program's own file, without folder and extension: the dialog caption.
std::string ProgramBaseName();

}  // namespace ordertable

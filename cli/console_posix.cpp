#include <algorithm>

#include "cli/commands.h"

namespace ordertable::cli {

// POSIX streams never translate line breaks.
void SetBinaryOutput() {}

// POSIX hands the words over as the bytes they were typed in: UTF-8 on every system we know.
std::vector<std::string> CommandLineWords(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

}  // namespace ordertable::cli

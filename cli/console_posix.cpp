#include "cli/commands.h"

namespace ordertable::cli {

// POSIX streams never translate line breaks.
void SetBinaryOutput() {}

}  // namespace ordertable::cli

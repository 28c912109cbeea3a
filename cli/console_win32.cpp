#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/commands.h"

namespace ordertable::cli {

// The C runtime's text mode would write every LF as CR LF and so change the page bytes.
void SetBinaryOutput() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace ordertable::cli

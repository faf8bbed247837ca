#pragma once

#include <iosfwd>

#include "Arguments.h"

namespace vxmod {

// `vxmod run`: builds the sandbox database, runs the script folder with the
// loader's runner, log and hash list, reports failed lines as diagnostics on
// `err` and optionally dumps the database. Returns the exit status.
int RunRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vxmod

#pragma once

#include <iosfwd>

#include "Arguments.h"

namespace vxmod {

// `vxmod check`: walks the folder as the loader does and reports on every
// script, every disabled one and every file that looks like a script but does
// not run; with a database, runs the scripts against it (the file is not
// changed) and reports what each line would do there. Writes the findings and
// a count to `out`, problems with the command itself to `err`; returns the
// exit status.
int RunCheckCommand(const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vxmod

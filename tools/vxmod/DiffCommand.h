#pragma once

#include <iosfwd>

#include "Arguments.h"

namespace vxmod {

// `vxmod diff`: the edits between two database descriptions as a script
// that turns the first into the second. Returns the exit status.
int RunDiffCommand(const DiffOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vxmod

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Diagnostics.h"

namespace vxmod {

// What the loader would make of one script's text, line by line: unknown
// command words, lines it rejects, arguments it ignores or misreads.
std::vector<Diagnostic> CheckScriptText(const std::string& displayPath, const std::string& text);

// `vxmod check`: walks the folder as the loader does and reports on every
// script, every disabled one and every file that looks like a script but does
// not run. Writes the findings and a count to `out`; returns the exit status.
int RunCheckCommand(const CheckOptions& options, std::ostream& out);

}  // namespace vxmod

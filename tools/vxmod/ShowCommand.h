#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "Arguments.h"

namespace vxmod {

// `vxmod show`: builds the sandbox database, runs the script folder against
// it unless asked not to (nothing is logged, the file is only read), and
// lists what a line naming the collection reaches: every field, its type and
// value, who holds it, and what a collection made from it would hold. Writes
// the list to `out` and problems to `err`; returns the exit status.
int RunShowCommand(const ShowOptions& options, std::ostream& out, std::ostream& err);

// The command a finding suggests for the same database: "vxmod show", with
// its --db when there is one.
std::string ShowCommandFor(const std::optional<std::filesystem::path>& database);

}  // namespace vxmod

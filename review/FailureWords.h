#pragma once

#include <optional>
#include <string>

#include "review/DatabaseNames.h"
#include "review/ReviewedLine.h"
#include "review/TypeMembers.h"

namespace vxmod {

// Why a line failed, in a modder's words, from the cause the loader gave and
// the keys it found; with the name that was probably meant. None for a cause
// the loader's own message says best (a line the parser refused, a failure
// that is no EvaluationError).
// `exampleDatabase`: the lines ran against the example database built into
// vxmod, whose classes a line for the game's own does not find.
std::optional<std::string> ExplainFailure(const ReviewedLine& line, DatabaseNames& names,
                                          TypeMembers& members, bool exampleDatabase);

}  // namespace vxmod

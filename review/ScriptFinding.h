#pragma once

#include <string>

#include "review/Diagnostics.h"
#include "review/FindingKind.h"
#include "review/FindingPlace.h"

namespace vxmod {

// One finding of the review in its place: the line and the word of it that
// it is about, for a front end that shows findings in the script itself.
struct ScriptFinding {
    int line = 0;   // 1-based; 0 for the whole file
    WordSpan word;  // bytes of the line
    Diagnostic::Severity severity = Diagnostic::Severity::Error;
    FindingKind kind = FindingKind::Unsorted;
    std::string message;

    bool operator==(const ScriptFinding&) const = default;
};

}  // namespace vxmod

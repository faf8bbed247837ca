#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/LineFacts.h"
#include "review/Diagnostics.h"
#include "review/FindingKind.h"

namespace vxmod {

// How a line ended, as far as placing what is said of it goes: the loader's
// cause of a failure, and for the parser's causes the token it is about.
struct LineOutcome {
    rakor::Attrib::Automation::Cause cause = rakor::Attrib::Automation::Cause::None;
    uint8_t token = 0;
};

// Bytes of a line: from, up to but not including to.
struct WordSpan {
    std::size_t from = 0;
    std::size_t to = 0;

    bool operator==(const WordSpan&) const = default;
};

// The word of the line a finding is about: the argument the command table
// gives the role the finding's cause or kind is about (the class for a class
// that is not there, the value for a value read otherwise than written, the
// name part of a field that no collection holds, ...); the line's words when
// it is about the line as a whole.
WordSpan PlaceOfFinding(std::string_view line, Diagnostic::Severity severity, FindingKind kind,
                        const LineOutcome& outcome);

}  // namespace vxmod

#pragma once

#include <cstdint>

#include "automation/LineFacts.h"
#include "review/Diagnostics.h"
#include "review/FindingKind.h"

namespace vxmod {

// A finding about a line that ran, kept as a value until someone reads it:
// where it is, how grave, of what kind, which of the line's findings it is,
// and the loader's facts of the line (the cause, the keys, the records it
// found and how it read the value). With the line's text, that is all its
// words are made from (LineReviewer::Words); a pack of a million lines has a
// finding on most of them, and only the few that are shown need words.
struct Finding {
    // The place of a failed line's own finding: why it failed.
    static constexpr uint8_t kWhyFailed = 0xFF;

    int line = 0;
    Diagnostic::Severity severity = Diagnostic::Severity::Warning;
    FindingKind kind = FindingKind::Unsorted;
    // Which of the line's findings: kWhyFailed, or the place of a warning
    // among those of the line as it ran, in the order they were found.
    uint8_t place = 0;
    rakor::Attrib::Automation::LineFacts facts;
};

}  // namespace vxmod

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/CommandParser.h"
#include "host/Utf16Text.h"
#include "review/Diagnostics.h"

namespace vxmod {

// One finding about a line, for its script's path.
struct LineFinding {
    int line = 0;
    Diagnostic::Severity severity = Diagnostic::Severity::Error;
    FindingKind kind = FindingKind::Unsorted;
    std::string message;
    // Said of the line's text alone, which a run of the line has no words
    // for: it stands beside what the run tells of the line.
    bool standsAlone = false;
};

// What the loader makes of one line as the parser read it, without a
// database: an unknown command word, a line it rejects, arguments it ignores
// or misreads, characters that do not show.
void CheckParsedLine(const rakor::Attrib::Automation::ParsedLine& line,
                     std::vector<LineFinding>& found);

// A script saved as UTF-16, which the loader refuses: the loader's own test.
using rakor::LooksLikeUtf16;

}  // namespace vxmod

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
    // An error's words, made as it is found: each is shown. Those of a
    // warning or note are made from the line's text when it is shown
    // (LineCheckWords): a large pack may have one on thousands of lines.
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

// The words of the warning or note of that kind that CheckParsedLine found on
// the line with this text (a line has at most one of each kind).
std::string LineCheckWords(FindingKind kind, std::string_view text);

// A script saved as UTF-16, which the loader refuses: the loader's own test.
using rakor::LooksLikeUtf16;

}  // namespace vxmod

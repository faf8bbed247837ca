#pragma once

#include <iosfwd>
#include <string>

namespace vxmod {

// One finding about a script, written the way compilers write theirs so that
// editors can jump to it: "PATH:LINE: MESSAGE". A finding about a whole file
// has no line and is written "PATH: MESSAGE".
struct Diagnostic {
    enum class Severity { Error, Warning, Note };

    std::string path;  // the display path, as the loader's log shows it
    int line = 0;      // 1-based; 0 for the whole file
    Severity severity = Severity::Error;
    std::string message;
};

// Errors carry no label (the message is what the loader logs); warnings and
// notes say so, so that they are not mistaken for failed lines.
std::string FormatDiagnostic(const Diagnostic& diagnostic);

void WriteDiagnostic(std::ostream& out, const Diagnostic& diagnostic);

}  // namespace vxmod

#include "Diagnostics.h"

#include <ostream>

namespace vxmod {

std::string FormatDiagnostic(const Diagnostic& diagnostic) {
    std::string text = diagnostic.path;
    if (diagnostic.line > 0) {
        text += ':';
        text += std::to_string(diagnostic.line);
    }
    text += ": ";
    switch (diagnostic.severity) {
        case Diagnostic::Severity::Error:
            break;
        case Diagnostic::Severity::Warning:
            text += "warning: ";
            break;
        case Diagnostic::Severity::Note:
            text += "note: ";
            break;
    }
    text += diagnostic.message;
    return text;
}

void WriteDiagnostic(std::ostream& out, const Diagnostic& diagnostic) {
    out << FormatDiagnostic(diagnostic) << '\n';
}

}  // namespace vxmod

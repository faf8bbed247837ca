#include "Diagnostics.h"

#include <ostream>

#include <fmt/format.h>

#include "sandbox/HostValueCodec.h"

namespace vxmod {

std::string Printable(std::string_view text) {
    std::string shown;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<uint8_t>(text[i]);
        // The length a sequence with this lead byte would have.
        const std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        const std::string_view sequence = text.substr(i, length);
        if (byte >= 0x80 && sequence.size() == length && rakor::Sandbox::IsUtf8(sequence)) {
            shown += sequence;
            i += length;
        } else if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F || byte >= 0x80) {
            shown += fmt::format("\\x{:02X}", byte);
            ++i;
        } else {
            shown += text[i];
            ++i;
        }
    }
    return shown;
}

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
    return Printable(text);
}

void WriteDiagnostic(std::ostream& out, const Diagnostic& diagnostic) {
    out << FormatDiagnostic(diagnostic) << '\n';
}

void DiagnosticReport::Add(const Diagnostic& diagnostic) {
    if (diagnostic.severity == Diagnostic::Severity::Error) {
        ++errors_;
    } else if (diagnostic.severity == Diagnostic::Severity::Warning) {
        ++warnings_;
    }
    WriteDiagnostic(out_, diagnostic);
}

}  // namespace vxmod

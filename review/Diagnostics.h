#pragma once

#include <cstddef>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "review/FindingKind.h"

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
    FindingKind kind = FindingKind::Unsorted;
};

// Errors carry no label (the message is what the loader logs); warnings and
// notes say so, so that they are not mistaken for failed lines. Control
// characters and bytes that are not UTF-8 are written as \xNN, so that a
// script saved in another encoding cannot garble the terminal, and
// characters that do not show (a no-break space) as <U+00A0>.
std::string FormatDiagnostic(const Diagnostic& diagnostic);

// The text with control characters (but line feeds and tabs) and stray
// bytes written as \xNN, and invisible characters as <U+XXXX>.
std::string Printable(std::string_view text);
void AppendPrintable(std::string& out, std::string_view text);

void WriteDiagnostic(std::ostream& out, const Diagnostic& diagnostic);

// Diagnostics written now and shown later, all at once, as a script's are at
// its end. A long script can have a finding on most of its lines, so what
// waits is kept as the text it will be, and beyond a few hundred kilobytes in
// a temporary file rather than in memory.
class HeldDiagnostics {
public:
    HeldDiagnostics();
    ~HeldDiagnostics();
    HeldDiagnostics(const HeldDiagnostics&) = delete;
    HeldDiagnostics& operator=(const HeldDiagnostics&) = delete;

    void Add(std::string_view path, int line, Diagnostic::Severity severity,
             std::string_view message);
    // One that is counted and not shown.
    void Count(Diagnostic::Severity severity);
    int Errors() const { return errors_; }
    int Warnings() const { return warnings_; }
    // Writes everything held, in the order it came, and forgets it.
    void WriteTo(std::ostream& out);
    void Clear();

private:
    void Spill();
    // Brings what a temporary file holds back into memory, when the file fails.
    void Unspill();

    struct FileCloser {
        void operator()(std::FILE* file) const;
    };
    std::string text_;
    std::unique_ptr<std::FILE, FileCloser> spill_;
    std::size_t spilled_ = 0;
    bool spillFailed_ = false;
    int errors_ = 0;
    int warnings_ = 0;
};

// Writes diagnostics as they come and counts them by severity.
class DiagnosticReport {
public:
    explicit DiagnosticReport(std::ostream& out) : out_(out) {}

    void Add(const Diagnostic& diagnostic);
    // Writes what was held back, counts it and empties it.
    void Add(HeldDiagnostics& held);
    // One that is counted and not shown.
    void Count(Diagnostic::Severity severity);
    int Errors() const { return errors_; }
    int Warnings() const { return warnings_; }

private:
    std::ostream& out_;
    int errors_ = 0;
    int warnings_ = 0;
};

}  // namespace vxmod

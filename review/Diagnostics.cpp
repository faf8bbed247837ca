#include "review/Diagnostics.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <ostream>

#include <fmt/format.h>

#include "hash/HexText.h"
#include "host/Utf8.h"
#include "review/InvisibleCharacters.h"

namespace vxmod {
namespace {

// Beyond this much, held diagnostics wait in a temporary file.
constexpr std::size_t kHeldInMemory = 256 * 1024;

// Bytes shown as they are, without a look at their neighbours.
constexpr std::array<bool, 256> kShownAsIs = [] {
    std::array<bool, 256> shown{};
    for (int byte = 0x20; byte < 0x7F; ++byte) {
        shown[byte] = true;
    }
    shown['\n'] = true;
    shown['\t'] = true;
    return shown;
}();

bool ShownAsIs(uint8_t byte) {
    return kShownAsIs[byte];
}

void AppendHex(std::string& out, uint8_t byte) {
    out += "\\x";
    rakor::Hex::AppendByte(out, byte, /*upperCase=*/true);
}

// "PATH:LINE: warning: MESSAGE", made printable. The parts between the path
// and the message are plain ASCII, so the path and the message can be made
// printable each on its own: no UTF-8 sequence runs across them.
void AppendDiagnostic(std::string& out, std::string_view path, int line,
                      Diagnostic::Severity severity, std::string_view message) {
    AppendPrintable(out, path);
    if (line > 0) {
        std::array<char, 12> digits;
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), line).ptr;
        out += ':';
        out.append(digits.data(), end);
    }
    out += ": ";
    switch (severity) {
        case Diagnostic::Severity::Error:
            break;
        case Diagnostic::Severity::Warning:
            out += "warning: ";
            break;
        case Diagnostic::Severity::Note:
            out += "note: ";
            break;
    }
    AppendPrintable(out, message);
}

}  // namespace

void AppendPrintable(std::string& out, std::string_view text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at != end) {
        // Plain text goes over in one piece, looked at four bytes at a time
        // while none is below a space or from 0x7F on (a failing pack has a
        // finding of a hundred bytes on every line).
        const char* const plain = at;
        while (end - at >= 4) {
            uint32_t word;
            std::memcpy(&word, at, 4);
            const uint32_t below = (word - 0x20202020u) & ~word & 0x80808080u;
            const uint32_t above = ((word + 0x01010101u) | word) & 0x80808080u;
            if ((below | above) != 0) {
                break;
            }
            at += 4;
        }
        while (at != end && ShownAsIs(static_cast<uint8_t>(*at))) {
            ++at;
        }
        out.append(plain, static_cast<std::size_t>(at - plain));
        if (at == end) {
            break;
        }
        const auto byte = static_cast<uint8_t>(*at);
        const rakor::Utf8::Decoded decoded = byte < 0x80
                                                 ? rakor::Utf8::Decoded()
                                                 : rakor::Utf8::DecodeFirst(std::string_view(
                                                       at, static_cast<std::size_t>(end - at)));
        if (decoded.length != 0 && FindInvisible(decoded.codePoint) != nullptr) {
            // Shown, or a modder could not tell 'update_field' from 'update_field'.
            out += fmt::format("<U+{:04X}>", decoded.codePoint);
            at += decoded.length;
        } else if (decoded.length != 0) {
            out.append(at, decoded.length);
            at += decoded.length;
        } else {
            AppendHex(out, byte);
            ++at;
        }
    }
}

std::string Printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    AppendPrintable(shown, text);
    return shown;
}

std::string FormatDiagnostic(const Diagnostic& diagnostic) {
    std::string text;
    AppendDiagnostic(text, diagnostic.path, diagnostic.line, diagnostic.severity,
                     diagnostic.message);
    return text;
}

void WriteDiagnostic(std::ostream& out, const Diagnostic& diagnostic) {
    out << FormatDiagnostic(diagnostic) << '\n';
}

void HeldDiagnostics::FileCloser::operator()(std::FILE* file) const {
    std::fclose(file);  // a temporary file goes with it
}

HeldDiagnostics::HeldDiagnostics() = default;
HeldDiagnostics::~HeldDiagnostics() = default;

void HeldDiagnostics::Count(Diagnostic::Severity severity) {
    if (severity == Diagnostic::Severity::Error) {
        ++errors_;
    } else if (severity == Diagnostic::Severity::Warning) {
        ++warnings_;
    }
}

void HeldDiagnostics::Add(std::string_view path, int line, Diagnostic::Severity severity,
                          std::string_view message) {
    Count(severity);
    AppendDiagnostic(text_, path, line, severity, message);
    text_ += '\n';
    if (text_.size() >= kHeldInMemory) {
        Spill();
    }
}

void HeldDiagnostics::Spill() {
    if (spillFailed_) {
        return;
    }
    if (!spill_) {
        spill_.reset(std::tmpfile());
        if (!spill_) {
            spillFailed_ = true;  // no temporary file: everything stays in memory
            return;
        }
    }
    if (std::fwrite(text_.data(), 1, text_.size(), spill_.get()) != text_.size()) {
        Unspill();
        return;
    }
    spilled_ += text_.size();
    text_.clear();
}

void HeldDiagnostics::Unspill() {
    spillFailed_ = true;
    std::string earlier(spilled_, '\0');
    std::rewind(spill_.get());
    const std::size_t read = std::fread(earlier.data(), 1, earlier.size(), spill_.get());
    earlier.resize(read);
    if (read < spilled_) {
        earlier += fmt::format(
            "\nvxmod: {} bytes of messages could not be read back from a "
            "temporary file\n",
            spilled_ - read);
    }
    text_.insert(0, earlier);
    spill_.reset();
    spilled_ = 0;
}

void HeldDiagnostics::WriteTo(std::ostream& out) {
    if (spill_) {
        std::rewind(spill_.get());
        std::array<char, 64 * 1024> chunk;
        for (std::size_t left = spilled_; left > 0;) {
            const std::size_t read =
                std::fread(chunk.data(), 1, std::min(left, chunk.size()), spill_.get());
            if (read == 0) {
                // Never a shorter list without a word: the counts stand.
                out << "\nvxmod: " << left
                    << " bytes of messages could not be read back from a temporary file\n";
                break;
            }
            out.write(chunk.data(), static_cast<std::streamsize>(read));
            left -= read;
        }
    }
    out.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    Clear();
}

void HeldDiagnostics::Clear() {
    text_.clear();
    text_.shrink_to_fit();
    spill_.reset();
    spilled_ = 0;
    spillFailed_ = false;
    errors_ = 0;
    warnings_ = 0;
}

void DiagnosticReport::Count(Diagnostic::Severity severity) {
    if (severity == Diagnostic::Severity::Error) {
        ++errors_;
    } else if (severity == Diagnostic::Severity::Warning) {
        ++warnings_;
    }
}

void DiagnosticReport::Add(const Diagnostic& diagnostic) {
    Count(diagnostic.severity);
    WriteDiagnostic(out_, diagnostic);
}

void DiagnosticReport::Add(HeldDiagnostics& held) {
    errors_ += held.Errors();
    warnings_ += held.Warnings();
    held.WriteTo(out_);
}

}  // namespace vxmod

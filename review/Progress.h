#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace vxmod {

// A line on a terminal that says how far a long run has got: shown once the
// run has taken a second, renewed a few times a second, and wiped before
// anything else is written, so that it never stays among the findings.
class Progress {
public:
    // None when `terminal` is null (the output goes to a file or a pipe).
    explicit Progress(std::ostream* terminal);

    void ScriptStarting(std::string_view displayPath);
    // Called for every line; looks at the clock only now and then.
    void LineDone() {
        ++lines_;
        if (terminal_ != nullptr && (lines_ & 0x3FFF) == 0) {
            Renew();
        }
    }
    void Clear();

private:
    void Renew();

    std::ostream* terminal_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point shown_;
    uint32_t lines_ = 0;
    int scripts_ = 0;
    std::string script_;
    std::size_t width_ = 0;  // of the line on the terminal now
};

// Whether standard error is a terminal (a console window on Windows).
bool ErrorsGoToTerminal();

}  // namespace vxmod

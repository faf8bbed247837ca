#include "review/Progress.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include <fmt/format.h>

#include "review/Diagnostics.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vxmod {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRenewal = std::chrono::milliseconds(250);
// A line that fits a terminal of the narrowest usual width, so that it
// never wraps and "\r" always returns to its start.
constexpr std::size_t kWidest = 79;

}  // namespace

Progress::Progress(std::ostream* terminal)
    : terminal_(terminal), start_(std::chrono::steady_clock::now()), shown_(start_) {}

void Progress::ScriptStarting(std::string_view displayPath) {
    ++scripts_;
    script_.assign(displayPath);
    if (terminal_ != nullptr) {
        Renew();
    }
}

void Progress::Renew() {
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietStart || now - shown_ < kRenewal) {
        return;
    }
    shown_ = now;
    std::string line = fmt::format("vxmod: {} script{}, {} lines so far: {}", scripts_,
                                   scripts_ == 1 ? "" : "s", lines_, Printable(script_));
    if (line.size() > kWidest) {
        line = line.substr(0, kWidest - 3) + "...";
    }
    const std::size_t width = line.size();
    line.resize(std::max(width, width_), ' ');
    *terminal_ << '\r' << line << std::flush;
    width_ = width;
}

void Progress::Clear() {
    if (terminal_ != nullptr && width_ > 0) {
        *terminal_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
        width_ = 0;
    }
}

bool ErrorsGoToTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace vxmod

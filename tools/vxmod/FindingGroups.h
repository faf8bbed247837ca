#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Diagnostics.h"
#include "FindingKind.h"

namespace vxmod {

// A large mod tells the same thing about other names on line after line
// ("'tuned' does not hold 'I32' itself: ..."). Of each kind of finding in a
// script the first few are shown; the rest are counted, and one note says
// how many and where. Errors, and what is said of a whole file, are always
// shown: each error is a line that failed. Quiet, only errors are shown.
class FindingGroups {
public:
    // `shownOfAKind` 0: every finding is shown.
    FindingGroups(int shownOfAKind, bool quiet) : shownOfAKind_(shownOfAKind), quiet_(quiet) {}

    // Whether to show a finding about the script at `path`; one that is not
    // shown is counted here.
    bool Show(std::string_view path, int line, Diagnostic::Severity severity, FindingKind kind);

    // A note for each kind with findings not shown, in the order the kinds
    // first came; then it starts again.
    std::vector<Diagnostic> Summaries();
    // Warnings not shown because the findings are quiet, in all.
    int QuietWarnings() const { return quietWarnings_; }

private:
    struct Group {
        std::size_t path = 0;
        Diagnostic::Severity severity;
        int shown = 0;
        int hidden = 0;
        int firstLine = 0;  // of those shown
        int firstHidden = 0;
        int lastHidden = 0;
    };
    std::size_t PathNumber(std::string_view path);

    int shownOfAKind_;
    bool quiet_;
    int quietWarnings_ = 0;
    // The scripts' paths by number, the last one asked for first: a
    // script's findings come together.
    std::vector<std::string> paths_;
    std::size_t lastPath_ = 0;
    std::unordered_map<std::size_t, std::size_t> groupOf_;  // by path number and kind
    std::vector<Group> groups_;
};

}  // namespace vxmod

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "review/Diagnostics.h"
#include "review/FindingKind.h"

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

    // Whether to show a finding about the script numbered `script` (any
    // number that stands for its path) at `path`; one that is not shown is
    // counted here.
    bool Show(uint32_t script, std::string_view path, int line, Diagnostic::Severity severity,
              FindingKind kind);

    // A note for each kind with findings not shown, in the order the kinds
    // first came; then it starts again.
    std::vector<Diagnostic> Summaries();
    // Warnings not shown because the findings are quiet, in all.
    int QuietWarnings() const { return quietWarnings_; }

private:
    struct Group {
        std::string path;
        Diagnostic::Severity severity;
        int shown = 0;
        int hidden = 0;
        int firstLine = 0;    // of those shown
        int firstHidden = 0;  // the lowest and highest lines of those hidden
        int lastHidden = 0;
    };
    int shownOfAKind_;
    bool quiet_;
    int quietWarnings_ = 0;
    // By script and kind, the group's number; -1 for none yet. The last
    // script's are kept at hand: a large pack asks for nearly every line.
    std::unordered_map<uint32_t, std::array<int, kFindingKinds>> groupOf_;
    uint32_t lastScript_ = 0;
    std::array<int, kFindingKinds>* lastGroups_ = nullptr;
    std::vector<Group> groups_;
};

}  // namespace vxmod

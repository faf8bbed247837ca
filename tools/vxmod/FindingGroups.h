#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Diagnostics.h"

namespace vxmod {

// A large mod tells the same thing about other names on line after line
// ("'tuned' does not hold 'I32' itself: ..."): such findings are of one kind,
// the same sentence around other quoted names and other numbers. Of each
// kind in a script the first few are shown; the rest are counted, and one
// note says how many and where. Errors are always shown: each is a line
// that failed. Quiet, only errors are shown.
class FindingGroups {
public:
    // `shownOfAKind` 0: every finding is shown.
    FindingGroups(int shownOfAKind, bool quiet) : shownOfAKind_(shownOfAKind), quiet_(quiet) {}

    // Whether to show a finding about the script at `path`; one that is not
    // shown is counted here.
    bool Show(std::string_view path, int line, Diagnostic::Severity severity,
              std::string_view message);

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
        int firstLine = 0;  // of those shown
        int firstHidden = 0;
        int lastHidden = 0;
    };

    int shownOfAKind_;
    bool quiet_;
    int quietWarnings_ = 0;
    std::unordered_map<std::string, std::size_t> groupOfKind_;  // by path and kind
    std::vector<Group> groups_;
    std::string kind_;  // reused from finding to finding
};

}  // namespace vxmod

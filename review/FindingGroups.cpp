#include "review/FindingGroups.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

namespace vxmod {

bool FindingGroups::Show(uint32_t script, std::string_view path, int line,
                         Diagnostic::Severity severity, FindingKind kind) {
    if (severity == Diagnostic::Severity::Error) {
        return true;
    }
    if (quiet_) {
        quietWarnings_ += severity == Diagnostic::Severity::Warning ? 1 : 0;
        return false;
    }
    if (shownOfAKind_ == 0 || kind == FindingKind::Unsorted || line == 0) {
        return true;
    }
    if (lastGroups_ == nullptr || lastScript_ != script) {
        auto [groups, added] = groupOf_.try_emplace(script);
        if (added) {
            groups->second.fill(-1);
        }
        lastScript_ = script;
        lastGroups_ = &groups->second;
    }
    int& number = (*lastGroups_)[static_cast<std::size_t>(kind)];
    if (number < 0) {
        number = static_cast<int>(groups_.size());
        groups_.push_back({.path = std::string(path), .severity = severity, .firstLine = line});
    }
    Group& group = groups_[static_cast<std::size_t>(number)];
    if (group.shown < shownOfAKind_) {
        ++group.shown;
        return true;
    }
    // Findings of the whole run come in the order of what they concern,
    // not of their lines: the range is that of the lines.
    if (group.hidden++ == 0) {
        group.firstHidden = group.lastHidden = line;
    }
    group.firstHidden = std::min(group.firstHidden, line);
    group.lastHidden = std::max(group.lastHidden, line);
    return false;
}

std::vector<Diagnostic> FindingGroups::Summaries() {
    std::vector<Diagnostic> notes;
    for (const Group& group : groups_) {
        if (group.hidden == 0) {
            continue;
        }
        const bool warning = group.severity == Diagnostic::Severity::Warning;
        const std::string lines =
            group.hidden == 1 ? fmt::format("line {}", group.firstHidden)
                              : fmt::format("lines {} to {}", group.firstHidden, group.lastHidden);
        notes.push_back(
            {group.path, 0, Diagnostic::Severity::Note,
             fmt::format("{} more {}{} like the one on line {} {} not shown ({}; "
                         "--all shows every one)",
                         group.hidden, warning ? "warning" : "note", group.hidden == 1 ? "" : "s",
                         group.firstLine, group.hidden == 1 ? "is" : "are", lines)});
    }
    groups_.clear();
    groupOf_.clear();
    lastGroups_ = nullptr;
    return notes;
}

}  // namespace vxmod

#include "FindingGroups.h"

#include <cstdint>

#include <fmt/format.h>

namespace vxmod {

std::size_t FindingGroups::PathNumber(std::string_view path) {
    if (lastPath_ < paths_.size() && paths_[lastPath_] == path) {
        return lastPath_;
    }
    for (lastPath_ = 0; lastPath_ < paths_.size(); ++lastPath_) {
        if (paths_[lastPath_] == path) {
            return lastPath_;
        }
    }
    paths_.emplace_back(path);
    return lastPath_;
}

bool FindingGroups::Show(std::string_view path, int line, Diagnostic::Severity severity,
                         FindingKind kind) {
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
    const std::size_t pathNumber = PathNumber(path);
    const auto [found, added] = groupOf_.try_emplace(
        pathNumber * kFindingKinds + static_cast<std::size_t>(kind), groups_.size());
    if (added) {
        groups_.push_back({.path = pathNumber, .severity = severity, .firstLine = line});
    }
    Group& group = groups_[found->second];
    if (group.shown < shownOfAKind_) {
        ++group.shown;
        return true;
    }
    if (group.hidden++ == 0) {
        group.firstHidden = line;
    }
    group.lastHidden = line;
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
            {paths_[group.path], 0, Diagnostic::Severity::Note,
             fmt::format("{} more {}{} like the one on line {} {} not shown ({}; "
                         "--all shows every one)",
                         group.hidden, warning ? "warning" : "note", group.hidden == 1 ? "" : "s",
                         group.firstLine, group.hidden == 1 ? "is" : "are", lines)});
    }
    groups_.clear();
    groupOf_.clear();
    paths_.clear();
    lastPath_ = 0;
    return notes;
}

}  // namespace vxmod

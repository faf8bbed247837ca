#include "FindingGroups.h"

#include <cctype>

#include <fmt/format.h>

namespace vxmod {
namespace {

// The sentence with its quoted names and its numbers left out, after the path.
void KindOf(std::string_view path, std::string_view message, std::string& kind) {
    kind.assign(path);
    kind += '\n';
    bool quoted = false;
    bool inNumber = false;
    for (const char c : message) {
        if (c == '\'') {
            quoted = !quoted;
            kind += c;
        } else if (!quoted) {
            const bool digit = std::isdigit(static_cast<unsigned char>(c)) != 0;
            if (!digit || !inNumber) {
                kind += digit ? '#' : c;
            }
            inNumber = digit;
        }
    }
}

}  // namespace

bool FindingGroups::Show(std::string_view path, int line, Diagnostic::Severity severity,
                         std::string_view message) {
    if (severity == Diagnostic::Severity::Error) {
        return true;
    }
    if (quiet_) {
        quietWarnings_ += severity == Diagnostic::Severity::Warning ? 1 : 0;
        return false;
    }
    if (shownOfAKind_ == 0 || line == 0) {
        return true;
    }
    KindOf(path, message, kind_);
    const auto [found, added] = groupOfKind_.try_emplace(kind_, groups_.size());
    if (added) {
        groups_.push_back({.path = std::string(path), .severity = severity, .firstLine = line});
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
            {group.path, 0, Diagnostic::Severity::Note,
             fmt::format("{} more {}{} like the one on line {} {} not shown ({}; "
                         "--all shows every one)",
                         group.hidden, warning ? "warning" : "note", group.hidden == 1 ? "" : "s",
                         group.firstLine, group.hidden == 1 ? "is" : "are", lines)});
    }
    groups_.clear();
    groupOfKind_.clear();
    return notes;
}

}  // namespace vxmod

#include "Conflicts.h"

#include <algorithm>
#include <ostream>

#include <fmt/format.h>

namespace vxmod {

std::size_t ConflictTracker::TargetHash::operator()(const EditTarget& target) const {
    std::size_t hash = std::hash<std::string>()(target.member);
    for (const uint32_t word :
         {target.classKey, target.holderKey, target.fieldKey, static_cast<uint32_t>(target.element),
          static_cast<uint32_t>(target.size)}) {
        hash = (hash ^ word) * 0x9E3779B1u;
    }
    return hash;
}

void ConflictTracker::Edited(const LinePlace& place, const EditTarget& target,
                             const std::string& value) {
    auto [it, added] = edits_.try_emplace(target);
    if (added) {
        it->second.described = target.described;
        order_.push_back(&it->second);
    }
    std::vector<Edit>& edits = it->second.lastOfScript;
    const auto same = std::find_if(edits.begin(), edits.end(),
                                   [&](const Edit& edit) { return edit.place.path == place.path; });
    const Edit edit{place, value, ++sequence_};
    if (same != edits.end()) {
        *same = edit;
    } else {
        edits.push_back(edit);
    }
}

std::optional<Diagnostic> ConflictTracker::Made(const LinePlace& place,
                                                const MadeCollection& made) {
    const auto key = std::make_pair(made.classKey, made.key);
    const auto earlier = makers_.find(key);
    std::optional<Diagnostic> warning;
    if (made.exists && (earlier == makers_.end() || !(earlier->second == place))) {
        const std::string before = earlier == makers_.end()
                                       ? "is in the database"
                                       : "was made by " + earlier->second.ToString();
        warning = Diagnostic{
            place.path, place.line, Diagnostic::Severity::Warning,
            fmt::format("{} {} already: the new collection takes its place, and the values that "
                        "the old one held itself are lost to lookups",
                        made.described, before)};
        remade_.push_back({made.described, {before, "made again by " + place.ToString()}});
    }
    makers_[key] = place;
    return warning;
}

// Records set by more than one script, their edits in the order they ran.
std::vector<ConflictTracker::Record> ConflictTracker::Conflicting() const {
    std::vector<Record> conflicting;
    for (const Record* edited : order_) {
        if (edited->lastOfScript.size() < 2) {
            continue;
        }
        Record record = *edited;
        std::sort(record.lastOfScript.begin(), record.lastOfScript.end(),
                  [](const Edit& a, const Edit& b) { return a.sequence < b.sequence; });
        conflicting.push_back(std::move(record));
    }
    return conflicting;
}

std::size_t ConflictTracker::Count() const {
    return Conflicting().size() + remade_.size();
}

std::vector<Diagnostic> ConflictTracker::Warnings() const {
    std::vector<Diagnostic> warnings;
    auto conflicting = Conflicting();
    // In the order the winning lines ran.
    std::sort(conflicting.begin(), conflicting.end(), [](const Record& a, const Record& b) {
        return a.lastOfScript.back().sequence < b.lastOfScript.back().sequence;
    });
    for (const Record& record : conflicting) {
        const Edit& winner = record.lastOfScript.back();
        std::vector<std::string> others;
        for (const Edit& edit : record.lastOfScript) {
            if (&edit != &winner) {
                others.push_back(fmt::format("{} ({})", edit.place.ToString(), edit.value));
            }
        }
        warnings.push_back(
            {winner.place.path, winner.place.line, Diagnostic::Severity::Warning,
             fmt::format("{} is also set by {}; this line runs later, so {} is what the game "
                         "keeps",
                         record.described, fmt::join(others, ", "), winner.value)});
    }
    return warnings;
}

void ConflictTracker::WriteList(std::ostream& out) const {
    const auto conflicting = Conflicting();
    if (conflicting.empty() && remade_.empty()) {
        out << "No value is set by more than one script.\n";
        return;
    }
    if (!conflicting.empty()) {
        out << "Set by more than one script (in the order the game runs them; the last one "
               "wins):\n";
    }
    for (const Record& record : conflicting) {
        out << "  " << Printable(record.described) << '\n';
        for (const Edit& edit : record.lastOfScript) {
            out << "    " << Printable(edit.place.ToString()) << "  " << Printable(edit.value)
                << (&edit == &record.lastOfScript.back() ? "  (wins)" : "") << '\n';
        }
    }
    if (!remade_.empty()) {
        out << "Collections made again (the old one's own values are lost):\n";
    }
    for (const auto& [described, lines] : remade_) {
        out << "  " << Printable(described) << '\n';
        for (const std::string& line : lines) {
            out << "    " << Printable(line) << '\n';
        }
    }
}

}  // namespace vxmod

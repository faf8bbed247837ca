#include "review/LayoutCopies.h"

#include <algorithm>

#include <fmt/format.h>

#include "automation/FieldLookup.h"

namespace vxmod {

void LayoutCopies::Made(const LinePlace& place, const MadeCollection& made) {
    Child& child = made_[Key(made.classKey, made.key)];
    Children& siblings = children_[Key(made.classKey, made.parentKey)];
    if (child.made == 0 || child.parentKey != made.parentKey) {
        siblings.fromSeveralScripts = siblings.fromSeveralScripts ||
                                      (!siblings.keys.empty() && siblings.script != place.script);
        siblings.script = place.script;
        siblings.keys.push_back(made.key);
    }
    // Made again, it copies the parent's values as they are now: what was
    // missed before no longer counts.
    child.parentKey = made.parentKey;
    child.name = made.name;
    child.madeAt = place;
    ++child.made;
}

void LayoutCopies::Edited(const LinePlace& place, const EditTarget& target,
                          rakor::Host::CollectionRecord* holder, const TargetWords& words,
                          std::string_view holderName) {
    const auto children = children_.find(Key(target.classKey, target.holderKey));
    if (children == children_.end() || target.size ||
        (!children->second.fromSeveralScripts && children->second.script == place.script)) {
        return;
    }
    // Only the layout block is copied; other values are inherited, and
    // follow every change.
    if (!rakor::Attrib::Automation::LocateField(holder, rakor::Attrib::Hash32(target.fieldKey))
             .inLayout) {
        return;
    }
    for (const uint32_t key : children->second.keys) {
        const Child& child = made_.at(Key(target.classKey, key));
        // Made from another parent since; within one script, the order of
        // the lines is the modder's own.
        if (child.parentKey != target.holderKey || child.madeAt.script == place.script) {
            continue;
        }
        EditTarget copy = target;
        copy.holderKey = key;
        const auto [at, added] = missedCopies_.try_emplace(copy, missed_.size());
        if (added) {
            missed_.emplace_back();
        }
        missed_[at->second] = {copy,
                               child.made,
                               place,
                               std::string(words.className),
                               std::string(words.field),
                               std::string(holderName)};
    }
}

std::vector<Diagnostic> LayoutCopies::Warnings(const ConflictTracker& edits) const {
    std::vector<Diagnostic> warnings;
    for (const Missed& missed : missed_) {
        const Child& child = made_.at(Key(missed.copy.classKey, missed.copy.holderKey));
        // Made again after the change, or given a value of its own.
        if (child.made != missed.made || edits.WasEdited(missed.copy)) {
            continue;
        }
        warnings.push_back(
            {edits.ScriptPath(missed.changedAt), missed.changedAt.line,
             Diagnostic::Severity::Warning,
             fmt::format(
                 "'{}'->'{}' keeps the '{}' it copied from '{}' when {} made it: this later "
                 "change of '{}' does not reach it, but would if this script ran first "
                 "(scripts run in the order of their paths)",
                 missed.className, child.name, missed.field, missed.parent,
                 edits.PlaceText(child.madeAt), missed.parent),
             FindingKind::LayoutCopy});
    }
    return warnings;
}

}  // namespace vxmod

#include "review/LayoutCopies.h"

#include <algorithm>

#include <fmt/format.h>

#include "automation/FieldLookup.h"

namespace vxmod {

void LayoutCopies::Made(const LinePlace& place, const MadeCollection& made) {
    madeFromSeveral_ = madeFromSeveral_ || (madeFrom_ && *madeFrom_ != place.script);
    madeFrom_ = place.script;
    making_.push_back({place, made.classKey, made.key, made.parentKey, std::string(made.name)});
}

void LayoutCopies::TakeIn() {
    for (const Making& making : making_) {
        Child& child = made_[Key(making.classKey, making.key)];
        Children& siblings = children_[Key(making.classKey, making.parentKey)];
        if (child.made == 0 || child.parentKey != making.parentKey) {
            siblings.fromSeveralScripts =
                siblings.fromSeveralScripts ||
                (!siblings.keys.empty() && siblings.script != making.place.script);
            siblings.script = making.place.script;
            siblings.keys.push_back(making.key);
        }
        // Made again, it copies the parent's values as they are now: what was
        // missed before no longer counts.
        child.parentKey = making.parentKey;
        child.name = making.name;
        child.madeAt = making.place;
        ++child.made;
    }
    making_.clear();
}

void LayoutCopies::Edited(const LinePlace& place, const EditTarget& target,
                          rakor::Host::CollectionRecord* holder, const TargetWords& words,
                          std::string_view holderName) {
    // Every collection made so far was made by this script: none of them
    // can miss what it changes (most packs are one script).
    if (!madeFrom_ || (!madeFromSeveral_ && *madeFrom_ == place.script)) {
        return;
    }
    TakeIn();
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

std::vector<Diagnostic> LayoutCopies::Warnings(const ConflictTracker& edits,
                                               const ConflictTracker::ShownAt& shown) {
    std::vector<Diagnostic> warnings;
    if (missed_.empty()) {
        return warnings;
    }
    TakeIn();  // made again since, perhaps
    for (const Missed& missed : missed_) {
        const Child& child = made_.at(Key(missed.copy.classKey, missed.copy.holderKey));
        // Made again after the change, or given a value of its own.
        if (child.made != missed.made || edits.WasEdited(missed.copy) || !shown(missed.changedAt)) {
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

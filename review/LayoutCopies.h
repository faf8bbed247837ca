#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostRecords.h"
#include "review/Conflicts.h"
#include "review/Diagnostics.h"
#include "review/EditTarget.h"
#include "sandbox/FlatMap.h"

namespace vxmod {

// A collection that a line makes copies its parent's layout values once,
// when it is made; a later change of the parent's value does not reach it.
// When that change comes from a later script, which script runs first
// decides what the new collection holds, and renaming a mod changes it: the
// modder is told, unless a line gives the new collection a value of its own.
class LayoutCopies {
public:
    void Made(const LinePlace& place, const MadeCollection& made);
    // A line that changed a value of `holder` (the collection that holds it).
    void Edited(const LinePlace& place, const EditTarget& target,
                rakor::Host::CollectionRecord* holder, const TargetWords& words,
                std::string_view holderName);

    // At the line that last changed the parent, for each copy that kept the
    // old value; after the run, when it is known which values lines set.
    // Those shown (the others are counted by the caller, and need no words).
    std::vector<Diagnostic> Warnings(const ConflictTracker& edits,
                                     const ConflictTracker::ShownAt& shown);

private:
    struct Child {
        uint32_t parentKey = 0;
        std::string name;
        LinePlace madeAt;
        uint32_t made = 0;  // how many times lines made it
    };
    // The children lines made of one parent. Most packs make them in the
    // script that then changes the parent, which needs no look at each.
    struct Children {
        std::vector<uint32_t> keys;
        uint32_t script = 0;
        bool fromSeveralScripts = false;
    };
    struct Missed {
        EditTarget copy;  // the child's own value
        uint32_t made = 0;
        LinePlace changedAt;
        std::string className;
        std::string field;
        std::string parent;
    };
    static uint64_t Key(uint32_t classKey, uint32_t collectionKey) {
        return (uint64_t{classKey} << 32) | collectionKey;
    }

    // A collection made, not yet taken in below: the collections one script
    // makes can miss only what a later script changes, so a pack of one
    // script never looks them up (taking each in as it was made was a
    // fortieth of vxmod run's time on the whole-run mix).
    struct Making {
        LinePlace place;
        uint32_t classKey = 0;
        uint32_t key = 0;
        uint32_t parentKey = 0;
        std::string name;
    };
    std::deque<Making> making_;
    // The script that made them, while it is one.
    std::optional<uint32_t> madeFrom_;
    bool madeFromSeveral_ = false;
    void TakeIn();

    // The collections that lines made, by class and key, and their keys by
    // class and parent. Looked up for every value a line sets: a 64-bit key's
    // bucket in std::unordered_map is a 64-bit division, a call of its own in
    // a 32-bit build.
    rakor::Sandbox::FlatMap<uint64_t, Child> made_;
    rakor::Sandbox::FlatMap<uint64_t, Children> children_;
    // One for each copy: the last change of the parent is the one to tell.
    std::vector<Missed> missed_;
    rakor::Sandbox::FlatMap<EditTarget, std::size_t, EditTargetHash> missedCopies_;
};

}  // namespace vxmod

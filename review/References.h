#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "review/Conflicts.h"
#include "review/DatabaseNames.h"
#include "review/Diagnostics.h"
#include "review/EditTarget.h"
#include "review/ReviewedLine.h"
#include "sandbox/FlatMap.h"

namespace vxmod {

// Values that name another collection: a RefSpec's class and collection, a
// JunkmanMod's class and definition. The game looks the names up when it
// uses the value, long after every script has run, and a name of nothing
// leaves the reference empty without a word; so they are looked up in the
// database as the last script left it.
class References {
public:
    // A line that set a member of a value: what the value names now, if the
    // member is one of its names.
    void Set(const LinePlace& place, const ReviewedLine& line, const EditTarget& target);

    // At the line that set the name, for each name of nothing: those shown
    // (the others are counted by the caller, and need no words).
    std::vector<Diagnostic> Warnings(DatabaseNames& names, const ConflictTracker& places,
                                     const ConflictTracker::ShownAt& shown) const;

private:
    struct Named {
        uint32_t classKey = 0;
        uint32_t collectionKey = 0;
        std::string field{};
        // The member that names each, and the line that set it last (none: the database's own).
        std::string classMember;
        std::string collectionMember;
        std::optional<LinePlace> classSetAt{};
        std::optional<LinePlace> collectionSetAt{};
    };

    // Where a type's two names lie in its value, learnt once from the
    // type's own members.
    struct NamesAt {
        std::ptrdiff_t classAt = 0;
        std::ptrdiff_t collectionAt = 0;
    };
    const NamesAt& PlaceOfNames(const rakor::Attrib::IAttribType& type,
                                std::string_view classMember, std::string_view collectionMember);

    std::unordered_map<const rakor::Attrib::IAttribType*, NamesAt> namesAt_;
    rakor::Sandbox::FlatMap<EditTarget, uint32_t, EditTargetHash> index_;
    std::vector<Named> named_;  // in the order lines first set them
};

}  // namespace vxmod

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxmod {

// A list of names arranged for finding, for a word, what MeantNames finds in
// the whole list: the names within a few slips of it, and those it is the
// start or end of. A class of a large pack has tens of thousands of
// collections, many alike but for a number ("pack_car_12", "pack_car_13"),
// and a failing pack asks about a missing one on every few lines, so neither
// search reads the whole list.
//
// The names lie in a tree of their letters without case, a branch for each
// next letter, so that names that begin alike share the start of the table
// of slips, and the names that begin with a word are one branch. A branch is
// left as soon as no name in it can come close enough, which the table so
// far, the lengths of the names in it and their places tell: on the mixed
// whole-run pack, vxmod run's searches among the collections took 7.5
// billion instructions when each name of a near length was compared on its
// own, and take 0.09 billion so. Names are added at the end and keep their
// places.
class NameIndex {
public:
    NameIndex();
    // Large, and of one list.
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;

    // Adds the name, unless it is in the list already (as it is written).
    void Add(std::string name);
    const std::vector<std::string>& Names() const { return names_; }
    // Whether the name is in the list, as it is written (case counts).
    bool Contains(std::string_view name) const;

    struct Closest {
        std::size_t place = 0;
        std::size_t slips = 0;
    };
    // The name among those from place `from` on that is closest to the word
    // in spelling, within `most` slips: of the closest, the first. `known`,
    // from an earlier search of the places before `from`, is only replaced
    // by a closer name.
    std::optional<Closest> ClosestFrom(std::string_view word, std::size_t from, std::size_t most,
                                       std::optional<Closest> known) const;
    // The places of the names that the word is a part of (IsPartOf), in
    // list order; at most `most` + 1 of them.
    std::vector<std::size_t> PartOf(std::string_view word, std::size_t most) const;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFF;

    // A branch of the tree: the names that begin with the letters on the way
    // to it. Children are linked from the first, each to the next.
    struct Branch {
        uint32_t firstChild = kNone;
        uint32_t nextSibling = kNone;
        uint32_t place = kNone;  // the first name that ends here, if any
        // Of the names that end here or further on: the first and last
        // places, and the shortest and longest.
        uint32_t firstPlace = kNone;
        uint32_t lastPlace = 0;
        uint32_t shortest = kNone;
        uint32_t longest = 0;
        unsigned char letter = 0;  // without case
    };
    class Search;

    // The child of `branch` for the letter, if there is one.
    uint32_t Child(uint32_t branch, unsigned char letter) const;
    // The branch where the word ends, if one does.
    uint32_t BranchOf(std::string_view word) const;
    // Whether a name that ends at the branch is this one.
    bool Holds(uint32_t branch, std::string_view name) const;
    // The places of the names longer than `depth` below `branch`, until
    // there are more than `most`.
    void NamesBelow(uint32_t branch, std::size_t most, std::vector<std::size_t>& places) const;
    // The same for the names that end with `part` (of at least four letters).
    void NamesEndingWith(std::string_view part, std::size_t most,
                         std::vector<std::size_t>& places) const;

    std::vector<std::string> names_;
    std::vector<Branch> branches_;  // the first is the root, where every name begins
    // Names that differ from an earlier one only in case end at its branch:
    // their places, by branch.
    std::unordered_map<uint32_t, std::vector<uint32_t>> alike_;
    // Each name by its last eight letters without case, read from the end:
    // in that order up to `endsSorted_`, the names added since after them.
    // Sorted in again when more than a few have come (a tree of all names
    // read from the end cost a sixth more instructions a name added, and
    // twice the memory).
    struct Ending {
        uint64_t letters;
        uint32_t place;
    };
    mutable std::vector<Ending> endings_;
    std::vector<uint32_t> path_;  // Add's, kept for its room
    mutable std::size_t endsSorted_ = 0;
};

}  // namespace vxmod

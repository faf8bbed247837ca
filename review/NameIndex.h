#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sandbox/Spelling.h"

namespace vxmod {

// A list of names arranged for finding, for a word, what MeantNames finds in
// the whole list: the names within a few slips of it, and those it is the
// start or end of. A class of a large pack has tens of thousands of
// collections and a failing pack may ask about a missing one on every few
// lines, so neither search reads the whole list: names are held by length
// (a slip changes it by one at most) with their sets of letters, and in the
// order of their letters read forwards and backwards. Names are added at
// the end and keep their places.
class NameIndex {
public:
    NameIndex() = default;
    // The ordered sets refer to the list by address.
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;

    void Add(std::string name);
    const std::vector<std::string>& Names() const { return names_; }

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
    // Names in the order of their letters without case, read from the start
    // or from the end; a string_view is a name looked for.
    struct LetterOrder {
        using is_transparent = void;
        const std::vector<std::string>* names;
        bool fromEnd;
        bool operator()(std::size_t a, std::size_t b) const { return Before(Of(a), Of(b)); }
        bool operator()(std::size_t a, std::string_view b) const { return Before(Of(a), b); }
        bool operator()(std::string_view a, std::size_t b) const { return Before(a, Of(b)); }
        std::string_view Of(std::size_t place) const { return (*names)[place]; }
        bool Before(std::string_view a, std::string_view b) const;
    };
    struct OfLength {
        std::vector<uint32_t> places;
        std::vector<uint64_t> letters;  // LetterSet of each
    };

    // Makes `known` the closest name of this length, where one is closer.
    void CloserOfLength(std::size_t length, std::size_t from, std::size_t most,
                        rakor::Sandbox::SpellingSlips& slips, std::optional<Closest>& known) const;

    std::vector<std::string> names_;
    std::unordered_map<std::size_t, OfLength> byLength_;
    std::multiset<std::size_t, LetterOrder> fromStart_{LetterOrder{&names_, false}};
    std::multiset<std::size_t, LetterOrder> fromEnd_{LetterOrder{&names_, true}};
};

}  // namespace vxmod

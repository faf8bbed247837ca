#include "review/NameIndex.h"

#include <algorithm>

#include "review/NameParts.h"

namespace vxmod {
namespace {

using rakor::Sandbox::LowerAscii;

// Whether one text comes before the other in the order of their letters
// without case. Names that share long starts ("brand_03_model_") are
// compared often: equal bytes are passed by without lowering them.
template <typename Letter>
bool LowerBefore(Letter a, Letter aEnd, Letter b, Letter bEnd) {
    for (; a != aEnd && b != bEnd; ++a, ++b) {
        if (*a != *b) {
            const unsigned char lowerA = LowerAscii(*a);
            const unsigned char lowerB = LowerAscii(*b);
            if (lowerA != lowerB) {
                return lowerA < lowerB;
            }
        }
    }
    return a == aEnd && b != bEnd;
}

bool Begins(std::string_view name, std::string_view part) {
    return name.size() >= part.size() &&
           std::equal(part.begin(), part.end(), name.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool Ends(std::string_view name, std::string_view part) {
    return name.size() >= part.size() &&
           std::equal(part.rbegin(), part.rend(), name.rbegin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// Walks the names of an ordered set from where `part` would stand while they
// hold it, and adds those longer than it, up to `most` + 1 places in all.
template <typename Set, typename Holds>
void Collect(const Set& set, const std::vector<std::string>& names, std::string_view part,
             Holds holds, std::vector<std::size_t>& places, std::size_t most) {
    for (auto it = set.lower_bound(part); it != set.end() && places.size() <= most; ++it) {
        const std::string& name = names[*it];
        if (!holds(name, part)) {
            break;
        }
        if (name.size() > part.size() &&
            std::find(places.begin(), places.end(), *it) == places.end()) {
            places.push_back(*it);
        }
    }
}

}  // namespace

bool NameIndex::LetterOrder::Before(std::string_view a, std::string_view b) const {
    return fromEnd ? LowerBefore(a.rbegin(), a.rend(), b.rbegin(), b.rend())
                   : LowerBefore(a.begin(), a.end(), b.begin(), b.end());
}

void NameIndex::Add(std::string name) {
    const std::size_t place = names_.size();
    OfLength& sameLength = byLength_[name.size()];
    sameLength.places.push_back(static_cast<uint32_t>(place));
    sameLength.letters.push_back(rakor::Sandbox::LetterSet(name));
    names_.push_back(std::move(name));
    fromStart_.insert(place);
    fromEnd_.insert(place);
}

std::optional<NameIndex::Closest> NameIndex::ClosestFrom(std::string_view word, std::size_t from,
                                                         std::size_t most,
                                                         std::optional<Closest> known) const {
    rakor::Sandbox::SpellingSlips slips(word);
    // A letter more or fewer is a slip: the names of the word's length are
    // read first, and those further off only while one there could still be
    // as close as the closest found.
    for (std::size_t apart = 0; apart <= (known ? known->slips : most); ++apart) {
        CloserOfLength(word.size() + apart, from, most, slips, known);
        if (apart > 0 && apart <= word.size()) {
            CloserOfLength(word.size() - apart, from, most, slips, known);
        }
    }
    return known;
}

void NameIndex::CloserOfLength(std::size_t length, std::size_t from, std::size_t most,
                               rakor::Sandbox::SpellingSlips& slips,
                               std::optional<Closest>& known) const {
    const auto found = byLength_.find(length);
    if (found == byLength_.end()) {
        return;
    }
    const OfLength& names = found->second;
    const auto start = std::lower_bound(names.places.begin(), names.places.end(), from);
    for (auto at = start; at != names.places.end(); ++at) {
        const std::size_t place = *at;
        // A name closer than the known one replaces it, and so does one as
        // close that comes before it.
        std::size_t limit = most;
        if (known) {
            if (known->slips == 0 && place > known->place) {
                continue;
            }
            limit = place < known->place ? known->slips : known->slips - 1;
        }
        const uint64_t letters = names.letters[static_cast<std::size_t>(at - names.places.begin())];
        if (const std::size_t count = slips.To(names_[place], letters, limit); count <= limit) {
            known = Closest{place, count};
        }
    }
}

std::vector<std::size_t> NameIndex::PartOf(std::string_view word, std::size_t most) const {
    std::vector<std::size_t> places;
    const auto add = [&](std::string_view part) {
        if (part.size() >= kShortestPart) {
            Collect(fromStart_, names_, part, Begins, places, most);
            Collect(fromEnd_, names_, part, Ends, places, most);
        }
    };
    add(word);
    if (IsPlural(word)) {
        add(word.substr(0, word.size() - 1));
    }
    std::sort(places.begin(), places.end());
    return places;
}

}  // namespace vxmod

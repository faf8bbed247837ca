#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vxmod {

// The names that keys are known by, in the order the database lists the
// keys, each name once; keys nobody named (and names written as "0x" keys)
// are left out. What a modder who misspelt a name is offered instead.
//
// A database of a large pack has tens of thousands of collections and a
// line that names a missing one may come every few hundred lines, so a list
// is made once and grows with the collections that lines make, and the
// closest name to a word asked about is remembered: asking again compares
// the word with the names added since only.
class NameList {
public:
    // Listed when the list is next read, by the name the key has then.
    void Add(uint32_t key) { keys_.push_back(key); }
    // A key that had no name when it was listed has one now: it would be
    // listed in its place, so the list must be made again.
    bool Outdated() const;

    const std::vector<std::string>& Names();
    bool Contains(std::string_view name);
    // The names the word was probably meant to be, as MeantNames chooses them.
    std::vector<std::string> Meant(std::string_view word);
    // "; did you mean 'X'?", or the names themselves when there are few
    // (`what` says what they are), or nothing.
    std::string Suggestion(std::string_view word, std::string_view what);

private:
    // What a word asked about has been compared with so far: the closest
    // name of those, and those that it is a part of.
    struct Asked {
        std::size_t looked = 0;
        bool known = false;  // the word is a name itself
        std::optional<std::size_t> best;
        std::size_t bestSlips = 0;
        std::vector<std::size_t> parts;  // one more than kMostPartMatches: too many
    };

    void Name();

    std::vector<uint32_t> keys_;  // added and not yet named
    std::vector<std::string> names_;
    std::vector<uint64_t> letterSets_;  // of each name, for passing far-off names by quickly
    std::unordered_set<std::string> listed_;
    std::vector<uint32_t> unnamed_;
    std::unordered_map<std::string, Asked> asked_;
};

}  // namespace vxmod

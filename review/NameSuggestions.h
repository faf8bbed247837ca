#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "review/NameIndex.h"

namespace vxmod {

// The names that keys are known by, in the order the database lists the
// keys, each name once; keys nobody named (and names written as "0x" keys)
// are left out. What a modder who misspelt a name is offered instead.
//
// A database of a large pack has tens of thousands of collections and a
// line that names a missing one may come every few hundred lines, so a list
// is made once and grows with the collections that lines make, the names are
// indexed for the search, and the closest name to a word asked about is
// remembered: asking again searches the names added since only.
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
    // The closest name to a word asked about among the names up to `looked`,
    // and what Suggestion said of it while the list had `saidOf` names.
    struct Asked {
        std::size_t looked = 0;
        std::optional<NameIndex::Closest> closest;
        std::size_t saidOf = 0;
        std::string what;
        std::string said;
    };
    // Found by a view of the word, without a copy.
    struct WordHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view word) const {
            return std::hash<std::string_view>()(word);
        }
    };
    Asked& AskedOf(std::string_view word);

    void Name();
    // What Suggestion says, worked out.
    std::string Said(std::string_view word, std::string_view what);

    std::vector<uint32_t> keys_;  // added and not yet named
    // Held apart, so that a list moves without its index.
    std::unique_ptr<NameIndex> index_ = std::make_unique<NameIndex>();
    std::vector<uint32_t> unnamed_;
    // A failing pack asks about the same few words on line after line: the
    // answer stands while the list is as long as when it was given.
    std::unordered_map<std::string, Asked, WordHash, std::equal_to<>> asked_;
};

}  // namespace vxmod

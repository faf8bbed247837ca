#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// "Did you mean" for names that a person typed: a description's type names,
// and the command words and database names of scripts.
namespace rakor::Sandbox {

// The slips allowed a word of this length for a name to count as what it
// was meant to be: one in a name of up to four characters, two up to eight,
// three beyond.
constexpr std::size_t AllowedSlips(std::size_t length) {
    return length <= 4 ? 1 : length <= 8 ? 2 : 3;
}

// A character without the case of an ASCII letter, as the C locale's
// tolower gives it, without a call for each character.
constexpr unsigned char LowerAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// The characters a name holds, as a set (letters without case; characters
// beyond letters, digits and "_" share the remaining places). One slip adds
// or removes at most one member of the set, and a replacement both, so two
// names whose sets differ in more than twice the slips allowed are further
// apart than that: a word is held against a long list of names one word of
// bits at a time.
uint64_t LetterSet(std::string_view name);

// How far a word is from names, in typing slips (insert, delete, replace, swap
// of neighbours), ignoring case, counted only as far as it matters: the one
// measure of spelling. A list of ten thousand names is compared with a word
// quickly, since most names are passed by on their lengths and letters alone.
class SpellingSlips {
public:
    explicit SpellingSlips(std::string_view word);

    // The slips from the word to `name` when they are at most `most`; any
    // number above `most` otherwise.
    std::size_t To(std::string_view name, std::size_t most);
    // The same, for a name whose LetterSet is known.
    std::size_t To(std::string_view name, uint64_t nameLetters, std::size_t most);

private:
    std::size_t LettersBeyond(std::string_view name);
    std::size_t Counted(std::string_view name, std::size_t most);

    std::string word_;  // lower-cased
    uint64_t letterSet_ = 0;
    std::array<int, 256> counts_{};
    std::vector<unsigned char> letters_;  // each letter of the word once
    std::vector<std::size_t> older_, old_, row_;
};

// The name among `known` that `word` was probably meant to be: one that
// differs only in case, else the closest in spelling when it is within the
// allowed slips. Of equally close names the first is taken. Empty when none
// is close, or `word` is known.
std::optional<std::string> ClosestSpelling(std::string_view word,
                                           std::span<const std::string> known);

}  // namespace rakor::Sandbox

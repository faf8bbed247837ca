#pragma once

#include <array>
#include <cstddef>
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

// How far a word is from names, in typing slips (insert, delete, replace, swap
// of neighbours), ignoring case, counted only as far as it matters: the one
// measure of spelling. A list of ten thousand names is compared with a word
// quickly, since most names are passed by on their letters alone.
class SpellingSlips {
public:
    explicit SpellingSlips(std::string_view word);

    // The slips from the word to `name` when they are at most `most`; any
    // number above `most` otherwise.
    std::size_t To(std::string_view name, std::size_t most);

private:
    std::size_t LetterDifference(std::string_view name);
    std::size_t Counted(std::string_view name, std::size_t most);

    std::string word_;  // lower-cased
    std::array<int, 256> counts_{};
    std::vector<unsigned char> letters_;  // each letter of the word once
    std::array<unsigned, 256> seen_{};
    unsigned stamp_ = 0;
    std::vector<std::size_t> older_, old_, row_;
};

// The name among `known` that `word` was probably meant to be: one that
// differs only in case, else the closest in spelling when it is within the
// allowed slips. Of equally close names the first is taken. Empty when none
// is close, or `word` is known.
std::optional<std::string> ClosestSpelling(std::string_view word,
                                           std::span<const std::string> known);

}  // namespace rakor::Sandbox

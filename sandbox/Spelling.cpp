#include "sandbox/Spelling.h"

#include <algorithm>

namespace rakor::Sandbox {
namespace {

// Names are compared ignoring case.
unsigned char Lower(char c) {
    return LowerAscii(c);
}

// The members of a set, without the call to the compiler's helper that a
// 64-bit std::popcount becomes in a 32-bit build.
std::size_t CountBits(uint64_t set) {
    const auto half = [](uint32_t v) {
        v = v - ((v >> 1) & 0x55555555u);
        v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
        return (((v + (v >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24;
    };
    return half(static_cast<uint32_t>(set)) + half(static_cast<uint32_t>(set >> 32));
}

// Letters 0 to 25, digits 26 to 35, "_" 36, everything else 37 to 63.
unsigned PlaceInSet(unsigned char lower) {
    if (lower >= 'a' && lower <= 'z') {
        return lower - 'a';
    }
    if (lower >= '0' && lower <= '9') {
        return 26 + (lower - '0');
    }
    return lower == '_' ? 36 : 37 + lower % 27;
}

}  // namespace

uint64_t LetterSet(std::string_view name) {
    uint64_t set = 0;
    for (const char c : name) {
        set |= uint64_t{1} << PlaceInSet(Lower(c));
    }
    return set;
}

SpellingSlips::SpellingSlips(std::string_view word) : letterSet_(LetterSet(word)) {
    for (const char c : word) {
        if (counts_[Lower(c)]++ == 0) {
            letters_.push_back(Lower(c));
        }
        word_.push_back(static_cast<char>(Lower(c)));
    }
}

std::size_t SpellingSlips::To(std::string_view name, std::size_t most) {
    return To(name, LetterSet(name), most);
}

std::size_t SpellingSlips::To(std::string_view name, uint64_t nameLetters, std::size_t most) {
    // Every slip changes the length by at most one, and brings at most one
    // letter in and takes at most one out: a name whose letters the word
    // lacks, or that lacks the word's, more often than `most` is further off.
    // Most names of a long list are passed by here, without the table.
    const std::size_t longer = std::max(name.size(), word_.size());
    if (longer - std::min(name.size(), word_.size()) > most ||
        CountBits(letterSet_ & ~nameLetters) > most ||
        CountBits(nameLetters & ~letterSet_) > most || LettersBeyond(name) > most) {
        return most + 1;
    }
    return Counted(name, most);
}

// How many letters one of the two has beyond the other, as a count (three
// '_' against two is one), the larger of the two ways: each slip brings at
// most one letter in and takes at most one out.
std::size_t SpellingSlips::LettersBeyond(std::string_view name) {
    for (const char c : name) {
        --counts_[Lower(c)];
    }
    // Only the word's own letters can be more in the word than in the name.
    std::size_t inWord = 0;
    for (const unsigned char letter : letters_) {
        inWord += static_cast<std::size_t>(std::max(counts_[letter], 0));
    }
    for (const char c : name) {
        ++counts_[Lower(c)];
    }
    // The counts differ by the lengths in all: what the name has beyond the
    // word is the rest.
    const std::size_t inName = inWord + name.size() - word_.size();
    return std::max(inWord, inName);
}

// The table of slips (Damerau's, with swaps of neighbours), a row at a time,
// and of a row only the cells within `most` of the diagonal: a cell further
// off is above `most`, since each step off the diagonal is a slip. Each cell
// of a row is at least the least of the two rows above, so once two rows in
// turn are all above `most`, the count is.
std::size_t SpellingSlips::Counted(std::string_view name, std::size_t most) {
    const std::string_view a = word_;
    const std::size_t columns = name.size() + 1;
    const std::size_t above = most + 1;
    for (std::vector<std::size_t>* row : {&older_, &old_, &row_}) {
        if (row->size() < columns) {
            row->resize(columns);
        }
    }
    for (std::size_t j = 0; j < columns && j <= most; ++j) {
        old_[j] = j;
    }
    bool previousAbove = false;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        // The band of row i: columns i - most to i + most.
        const std::size_t first = i > most ? i - most : 0;
        const std::size_t last = std::min(columns - 1, i + most);
        if (first > last) {
            return above;  // the name ended more than `most` letters ago
        }
        std::size_t least = above;
        if (first == 0) {
            row_[0] = i;
            least = i;
        }
        for (std::size_t j = std::max<std::size_t>(first, 1); j <= last; ++j) {
            const unsigned char b = Lower(name[j - 1]);
            const std::size_t replace = static_cast<unsigned char>(a[i - 1]) == b ? 0 : 1;
            // Row i - 1 reaches column i - 1 + most; row i starts at `first`.
            const std::size_t up = j + 1 <= i + most ? old_[j] : above;
            const std::size_t left = j > first ? row_[j - 1] : above;
            std::size_t cell = std::min({up + 1, left + 1, old_[j - 1] + replace});
            if (i > 1 && j > 1 && static_cast<unsigned char>(a[i - 1]) == Lower(name[j - 2]) &&
                static_cast<unsigned char>(a[i - 2]) == b) {
                cell = std::min(cell, older_[j - 2] + 1);
            }
            row_[j] = cell;
            least = std::min(least, cell);
        }
        const bool rowAbove = least > most;
        if (rowAbove && previousAbove) {
            return above;
        }
        previousAbove = rowAbove;
        std::swap(older_, old_);
        std::swap(old_, row_);
    }
    return std::min(old_[name.size()], above);
}

std::optional<std::string> ClosestSpelling(std::string_view word,
                                           std::span<const std::string> known) {
    if (std::find(known.begin(), known.end(), word) != known.end()) {
        return std::nullopt;
    }
    SpellingSlips slips(word);
    const std::string* best = nullptr;
    std::size_t fewest = AllowedSlips(word.size()) + 1;
    for (const std::string& name : known) {
        if (fewest == 0) {
            break;  // a name that differs only in case: none comes closer
        }
        if (const std::size_t count = slips.To(name, fewest - 1); count < fewest) {
            best = &name;
            fewest = count;
        }
    }
    return best != nullptr ? std::optional<std::string>(*best) : std::nullopt;
}

}  // namespace rakor::Sandbox

#include "sandbox/Spelling.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace rakor::Sandbox {
namespace {

// Names are compared ignoring case.
unsigned char Lower(char c) {
    return LowerAscii(c);
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
    // Every slip changes the length by at most one, and the set of letters
    // by at most two members.
    const std::size_t longer = std::max(name.size(), word_.size());
    if (longer - std::min(name.size(), word_.size()) > most ||
        static_cast<std::size_t>(std::popcount(letterSet_ ^ nameLetters)) > 2 * most ||
        LetterDifference(name) > 2 * most) {
        return most + 1;
    }
    return Counted(name, most);
}

// How much the letter counts of the word and the name differ. A slip changes
// at most two counts by one (a swap none), so this is at most twice the
// slips: a cheap way to pass by names that are far off.
std::size_t SpellingSlips::LetterDifference(std::string_view name) {
    for (const char c : name) {
        --counts_[Lower(c)];
    }
    ++stamp_;
    std::size_t difference = 0;
    const auto add = [&](unsigned char letter) {
        if (seen_[letter] != stamp_) {
            seen_[letter] = stamp_;
            difference += static_cast<std::size_t>(std::abs(counts_[letter]));
        }
    };
    for (const unsigned char letter : letters_) {
        add(letter);
    }
    for (const char c : name) {
        add(Lower(c));
    }
    for (const char c : name) {
        ++counts_[Lower(c)];
    }
    return difference;
}

// The table of slips (Damerau's, with swaps of neighbours), a row at a time.
// Each cell of a row is at least the least of the two rows above, so once
// two rows in turn are all above `most`, the count is.
std::size_t SpellingSlips::Counted(std::string_view name, std::size_t most) {
    const std::string_view a = word_;
    const std::size_t columns = name.size() + 1;
    for (std::vector<std::size_t>* row : {&older_, &old_, &row_}) {
        row->assign(columns, 0);
    }
    for (std::size_t j = 0; j < columns; ++j) {
        old_[j] = j;
    }
    bool previousAbove = false;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row_[0] = i;
        std::size_t least = row_[0];
        for (std::size_t j = 1; j < columns; ++j) {
            const unsigned char b = Lower(name[j - 1]);
            const std::size_t replace = static_cast<unsigned char>(a[i - 1]) == b ? 0 : 1;
            std::size_t cell = std::min({old_[j] + 1, row_[j - 1] + 1, old_[j - 1] + replace});
            if (i > 1 && j > 1 && static_cast<unsigned char>(a[i - 1]) == Lower(name[j - 2]) &&
                static_cast<unsigned char>(a[i - 2]) == b) {
                cell = std::min(cell, older_[j - 2] + 1);
            }
            row_[j] = cell;
            least = std::min(least, cell);
        }
        const bool above = least > most;
        if (above && previousAbove) {
            return most + 1;
        }
        previousAbove = above;
        std::swap(older_, old_);
        std::swap(old_, row_);
    }
    return old_[name.size()];
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

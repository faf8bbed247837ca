#include "NameSuggestions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

#include <fmt/format.h>

#include "sandbox/NameHash.h"
#include "sandbox/Spelling.h"

namespace vxmod {
namespace {

// Names are compared as ClosestSpelling compares them: ignoring case.
unsigned char Lower(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

// The slips ClosestSpelling allows a word of this length.
std::size_t AllowedSlips(std::size_t length) {
    return length <= 4 ? 1 : length <= 8 ? 2 : 3;
}

// How far a word is from names, in ClosestSpelling's slips (insert, delete,
// replace, swap of neighbours), counted only as far as it matters.
class Slips {
public:
    explicit Slips(std::string_view word) {
        for (const char c : word) {
            if (counts_[Lower(c)]++ == 0) {
                letters_.push_back(Lower(c));
            }
            word_.push_back(static_cast<char>(Lower(c)));
        }
    }

    // The slips from the word to `name` when they are at most `most`; any
    // number above `most` otherwise.
    std::size_t To(std::string_view name, std::size_t most) {
        const std::size_t longer = std::max(name.size(), word_.size());
        if (longer - std::min(name.size(), word_.size()) > most ||
            LetterDifference(name) > 2 * most) {
            return most + 1;
        }
        return Counted(name, most);
    }

private:
    // How much the letter counts of the word and the name differ. A slip
    // changes at most two counts by one (a swap none), so this is at most
    // twice the slips: a cheap way to pass by names that are far off.
    std::size_t LetterDifference(std::string_view name) {
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

    // ClosestSpelling's table of slips, a row at a time. Each cell of a row
    // is at least the least of the two rows above, so once two rows in turn
    // are all above `most`, the count is.
    std::size_t Counted(std::string_view name, std::size_t most) {
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

    std::string word_;  // lower-cased
    std::array<int, 256> counts_{};
    std::vector<unsigned char> letters_;  // each letter of the word once
    std::array<unsigned, 256> seen_{};
    unsigned stamp_ = 0;
    std::vector<std::size_t> older_, old_, row_;
};

}  // namespace

void NameList::Name() {
    for (const uint32_t key : keys_) {
        const auto name = rakor::Sandbox::NameOf(key);
        if (!name) {
            unnamed_.push_back(key);
        } else if (!name->starts_with("0x") && listed_.insert(*name).second) {
            names_.push_back(*name);
        }
    }
    keys_.clear();
}

const std::vector<std::string>& NameList::Names() {
    Name();
    return names_;
}

bool NameList::Outdated() const {
    return std::any_of(unnamed_.begin(), unnamed_.end(),
                       [](uint32_t key) { return rakor::Sandbox::NameOf(key).has_value(); });
}

bool NameList::Contains(std::string_view name) {
    Name();
    return listed_.contains(std::string(name));
}

std::string NameList::Suggestion(std::string_view word, std::string_view what) {
    Name();
    // As ClosestSpelling chooses: none when the word is a name; else of the
    // names within the allowed slips, the first of those with the fewest.
    Asked& asked = asked_[std::string(word)];
    if (!asked.known && asked.looked < names_.size()) {
        Slips slips(word);
        for (; asked.looked < names_.size() && !asked.known; ++asked.looked) {
            const std::string& name = names_[asked.looked];
            if (name == word) {
                asked.known = true;
                break;
            }
            const std::size_t fewest = asked.best ? asked.bestSlips : AllowedSlips(word.size()) + 1;
            if (fewest == 0) {
                continue;  // only the word itself could do better
            }
            if (const std::size_t count = slips.To(name, fewest - 1); count < fewest) {
                asked.best = asked.looked;
                asked.bestSlips = count;
            }
        }
    }
    if (!asked.known && asked.best) {
        return fmt::format("; did you mean '{}'?", names_[*asked.best]);
    }
    if (!names_.empty() && names_.size() <= 8) {
        std::vector<std::string> quoted;
        for (const std::string& name : names_) {
            quoted.push_back(fmt::format("'{}'", name));
        }
        return fmt::format("; the {} are {}", what, fmt::join(quoted, ", "));
    }
    return {};
}

}  // namespace vxmod

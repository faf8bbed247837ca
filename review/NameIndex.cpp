#include "review/NameIndex.h"

#include <algorithm>

#include "review/NameParts.h"
#include "sandbox/Spelling.h"

namespace vxmod {
namespace {

using rakor::Sandbox::LowerAscii;

bool Ends(std::string_view name, std::string_view part) {
    return name.size() >= part.size() &&
           std::equal(part.rbegin(), part.rend(), name.rbegin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// How far `x` lies outside the range from `low` to `high`.
std::size_t Outside(std::size_t x, std::size_t low, std::size_t high) {
    return x < low ? low - x : x > high ? x - high : 0;
}

// The last eight letters of a text without case, read from the end, as one
// number whose order is theirs (the first of them the highest byte); a
// shorter text has zeros after its letters.
uint64_t EndingOf(std::string_view text) {
    uint64_t letters = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        letters = (letters << 8) | (i < text.size() ? LowerAscii(text[text.size() - 1 - i]) : 0);
    }
    return letters;
}

// Names added since the endings were last sorted, read one by one.
constexpr std::size_t kEndingsUnsorted = 256;

}  // namespace

NameIndex::NameIndex() : branches_(1) {}

uint32_t NameIndex::Child(uint32_t branch, unsigned char letter) const {
    uint32_t child = branches_[branch].firstChild;
    while (child != kNone && branches_[child].letter != letter) {
        child = branches_[child].nextSibling;
    }
    return child;
}

void NameIndex::Add(std::string name) {
    const auto place = static_cast<uint32_t>(names_.size());
    const auto length = static_cast<uint32_t>(std::min<std::size_t>(name.size(), kNone - 1));
    path_.assign(1, 0);
    for (const char c : name) {
        const uint32_t branch = path_.back();
        const unsigned char letter = LowerAscii(c);
        uint32_t child = Child(branch, letter);
        if (child == kNone) {
            child = static_cast<uint32_t>(branches_.size());
            Branch added;
            added.letter = letter;
            added.nextSibling = branches_[branch].firstChild;
            branches_.push_back(added);
            branches_[branch].firstChild = child;
        }
        path_.push_back(child);
    }
    const uint32_t end = path_.back();
    if (branches_[end].place == kNone) {
        branches_[end].place = place;
    } else if (Holds(end, name)) {
        return;
    } else {
        alike_[end].push_back(place);
    }
    for (const uint32_t branch : path_) {
        Branch& on = branches_[branch];
        on.firstPlace = std::min(on.firstPlace, place);
        on.lastPlace = place;
        on.shortest = std::min(on.shortest, length);
        on.longest = std::max(on.longest, length);
    }
    endings_.push_back({EndingOf(name), place});
    names_.push_back(std::move(name));
}

uint32_t NameIndex::BranchOf(std::string_view word) const {
    uint32_t branch = 0;
    for (std::size_t i = 0; i < word.size() && branch != kNone; ++i) {
        branch = Child(branch, LowerAscii(word[i]));
    }
    return branch;
}

bool NameIndex::Contains(std::string_view name) const {
    const uint32_t branch = BranchOf(name);
    return branch != kNone && Holds(branch, name);
}

bool NameIndex::Holds(uint32_t branch, std::string_view name) const {
    if (branches_[branch].place == kNone) {
        return false;
    }
    if (names_[branches_[branch].place] == name) {
        return true;
    }
    const auto alike = alike_.find(branch);
    return alike != alike_.end() &&
           std::any_of(alike->second.begin(), alike->second.end(),
                       [&](uint32_t place) { return names_[place] == name; });
}

// One search for the closest name: the tree is walked depth first, each
// branch with its row of the table of slips (Damerau's, with swaps of
// neighbours) between the word and the letters on the way to it. A row holds
// only the cells within `most` of the diagonal, since each step off it is a
// slip.
class NameIndex::Search {
public:
    Search(const NameIndex& index, std::string_view word, std::size_t from, std::size_t most,
           std::optional<Closest> known)
        : index_(index), from_(from), most_(most), width_(2 * most + 1), known_(known) {
        for (const char c : word) {
            word_.push_back(static_cast<char>(LowerAscii(c)));
        }
    }

    std::optional<Closest> Run() {
        Grow(0);
        for (std::size_t j = 0; j <= std::min(most_, word_.size()); ++j) {
            Cell(0, j) = j;
        }
        Visit(0, 0);
        while (!open_.empty()) {
            const auto [branch, depth] = open_.back();
            open_.pop_back();
            Grow(depth);
            letters_[depth] = index_.branches_[branch].letter;
            FillRow(depth);
            Visit(branch, depth);
        }
        return known_;
    }

private:
    static constexpr std::size_t kAbove = static_cast<std::size_t>(-1) / 2;

    std::size_t& Cell(std::size_t depth, std::size_t j) {
        return rows_[depth * width_ + (j + most_ - depth)];
    }
    // The cell, or kAbove for one off the band.
    std::size_t At(std::size_t depth, std::size_t j) {
        return j + most_ < depth || j > depth + most_ || j > word_.size() ? kAbove : Cell(depth, j);
    }
    void Grow(std::size_t depth) {
        if (rows_.size() < (depth + 1) * width_) {
            rows_.resize((depth + 1) * width_);
            letters_.resize(depth + 1);
        }
    }

    // The row of the branch at `depth`, whose letter is letters_[depth].
    void FillRow(std::size_t depth) {
        const std::size_t i = depth;
        const unsigned char b = letters_[i];
        const std::size_t first = i > most_ ? i - most_ : 0;
        const std::size_t last = std::min(word_.size(), i + most_);
        for (std::size_t j = first; j <= last; ++j) {
            if (j == 0) {
                Cell(i, 0) = i;
                continue;
            }
            const auto a = static_cast<unsigned char>(word_[j - 1]);
            std::size_t cell =
                std::min({At(i - 1, j) + 1, At(i, j - 1) + 1, At(i - 1, j - 1) + (a == b ? 0 : 1)});
            if (i > 1 && j > 1 && a == letters_[i - 1] &&
                static_cast<unsigned char>(word_[j - 2]) == b) {
                cell = std::min(cell, At(i - 2, j - 2) + 1);
            }
            Cell(i, j) = std::min(cell, kAbove);
        }
    }

    // With the branch's row filled: its name, if one ends here, and its
    // children, unless no name below can win.
    void Visit(uint32_t at, std::size_t depth) {
        const Branch& branch = index_.branches_[at];
        if (branch.lastPlace < from_ || branch.firstPlace == kNone) {
            return;
        }
        // The fewest slips of any name that ends here or below: the row so
        // far, and the letters still to come on both sides.
        std::size_t fewest = kAbove;
        const std::size_t first = depth > most_ ? depth - most_ : 0;
        const std::size_t last = std::min(word_.size(), depth + most_);
        for (std::size_t j = first; j <= last; ++j) {
            const std::size_t left = word_.size() - j;
            fewest = std::min(fewest, Cell(depth, j) + Outside(left, branch.shortest - depth,
                                                               branch.longest - depth));
        }
        if (!MayWin(fewest, branch.firstPlace)) {
            return;
        }
        if (branch.place != kNone && branch.place >= from_ && word_.size() <= last &&
            word_.size() >= first) {
            Consider(branch.place, Cell(depth, word_.size()));
        }
        for (uint32_t child = branch.firstChild; child != kNone;
             child = index_.branches_[child].nextSibling) {
            open_.push_back({child, depth + 1});
        }
    }

    // Whether a name with this many slips at one of these places could still
    // take the place of the closest known.
    bool MayWin(std::size_t slips, uint32_t firstPlace) const {
        if (!known_) {
            return slips <= most_;
        }
        return slips < known_->slips || (slips == known_->slips && firstPlace < known_->place);
    }

    // A closer name takes the place of the known one, and so does one as
    // close that comes before it.
    void Consider(std::size_t place, std::size_t slips) {
        if (slips > most_) {
            return;
        }
        if (!known_ || slips < known_->slips || (slips == known_->slips && place < known_->place)) {
            known_ = Closest{place, slips};
        }
    }

    struct Open {
        uint32_t branch;
        std::size_t depth;
    };

    const NameIndex& index_;
    std::string word_;  // without case
    std::size_t from_;
    std::size_t most_;
    std::size_t width_;
    std::optional<Closest> known_;
    std::vector<std::size_t> rows_;       // row by row, `width_` cells each
    std::vector<unsigned char> letters_;  // the letter of the branch at each depth
    std::vector<Open> open_;              // branches still to visit
};

std::optional<NameIndex::Closest> NameIndex::ClosestFrom(std::string_view word, std::size_t from,
                                                         std::size_t most,
                                                         std::optional<Closest> known) const {
    return Search(*this, word, from, most, known).Run();
}

void NameIndex::NamesBelow(uint32_t branch, std::size_t most,
                           std::vector<std::size_t>& places) const {
    std::vector<uint32_t> open;
    for (uint32_t child = branches_[branch].firstChild; child != kNone;
         child = branches_[child].nextSibling) {
        open.push_back(child);
    }
    while (!open.empty() && places.size() <= most) {
        const Branch& at = branches_[open.back()];
        const uint32_t number = open.back();
        open.pop_back();
        if (at.place != kNone) {
            const auto add = [&](std::size_t place) {
                if (std::find(places.begin(), places.end(), place) == places.end()) {
                    places.push_back(place);
                }
            };
            add(at.place);
            if (const auto more = alike_.find(number); more != alike_.end()) {
                for (const uint32_t place : more->second) {
                    add(place);
                }
            }
        }
        for (uint32_t child = at.firstChild; child != kNone; child = branches_[child].nextSibling) {
            open.push_back(child);
        }
    }
}

void NameIndex::NamesEndingWith(std::string_view part, std::size_t most,
                                std::vector<std::size_t>& places) const {
    if (endings_.size() - endsSorted_ > kEndingsUnsorted) {
        const auto byLetters = [](const Ending& a, const Ending& b) {
            return a.letters < b.letters;
        };
        const auto sorted = endings_.begin() + static_cast<std::ptrdiff_t>(endsSorted_);
        std::sort(sorted, endings_.end(), byLetters);
        std::inplace_merge(endings_.begin(), sorted, endings_.end(), byLetters);
        endsSorted_ = endings_.size();
    }
    // The names whose last letters begin as the part's do: up to eight of
    // them are in the number, the rest is compared.
    const std::size_t known = std::min<std::size_t>(part.size(), 8);
    const uint64_t low = EndingOf(part.substr(part.size() - known));
    const uint64_t high = known == 8 ? low : low | ((uint64_t{1} << (8 * (8 - known))) - 1);
    const auto add = [&](const Ending& ending) {
        const std::string& name = names_[ending.place];
        if (name.size() > part.size() && Ends(name, part) &&
            std::find(places.begin(), places.end(), ending.place) == places.end()) {
            places.push_back(ending.place);
        }
    };
    const auto sortedEnd = endings_.begin() + static_cast<std::ptrdiff_t>(endsSorted_);
    for (auto it = std::lower_bound(endings_.begin(), sortedEnd, low,
                                    [](const Ending&a, uint64_t b) { return a.letters < b; });
         it != sortedEnd && it->letters <= high && places.size() <= most; ++it) {
        add(*it);
    }
    for (auto it = sortedEnd; it != endings_.end() && places.size() <= most; ++it) {
        if (it->letters >= low && it->letters <= high) {
            add(*it);
        }
    }
}

std::vector<std::size_t> NameIndex::PartOf(std::string_view word, std::size_t most) const {
    std::vector<std::size_t> places;
    const auto add = [&](std::string_view part) {
        if (part.size() < kShortestPart) {
            return;
        }
        // The names that begin with it: the branch it leads to, past its end.
        if (const uint32_t branch = BranchOf(part); branch != kNone) {
            NamesBelow(branch, most, places);
        }
        NamesEndingWith(part, most, places);
    };
    add(word);
    if (IsPlural(word)) {
        add(word.substr(0, word.size() - 1));
    }
    std::sort(places.begin(), places.end());
    return places;
}

}  // namespace vxmod

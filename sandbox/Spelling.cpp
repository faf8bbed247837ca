#include "sandbox/Spelling.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace rakor::Sandbox {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Edits (insert, delete, replace, swap of neighbours) from a to b.
std::size_t Slips(std::string_view a, std::string_view b) {
    const std::size_t columns = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * columns);
    const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& {
        return d[i * columns + j];
    };
    for (std::size_t i = 0; i <= a.size(); ++i) {
        at(i, 0) = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        at(0, j) = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

// A lower bound of Slips: letters of one that the other lacks. No edit adds
// or removes more than one letter of each, and a swap none.
std::size_t LettersApart(std::string_view a, std::string_view b) {
    std::array<int, 256> count{};
    for (const char c : a) {
        ++count[static_cast<unsigned char>(c)];
    }
    for (const char c : b) {
        --count[static_cast<unsigned char>(c)];
    }
    std::size_t extra = 0;
    std::size_t missing = 0;
    for (const std::string_view text : {a, b}) {
        for (const char c : text) {
            int& n = count[static_cast<unsigned char>(c)];
            (n > 0 ? extra : missing) += static_cast<std::size_t>(n > 0 ? n : -n);
            n = 0;  // counted once
        }
    }
    return std::max(extra, missing);
}

std::size_t AllowedSlips(std::size_t length) {
    return length <= 4 ? 1 : length <= 8 ? 2 : 3;
}

}  // namespace

std::optional<std::string> ClosestSpelling(std::string_view word,
                                           std::span<const std::string> known) {
    if (std::find(known.begin(), known.end(), word) != known.end()) {
        return std::nullopt;
    }
    const std::string lower = Lower(word);
    const std::string* best = nullptr;
    std::size_t bestSlips = AllowedSlips(word.size()) + 1;
    for (const std::string& name : known) {
        // Every slip changes the length by at most one: a name whose length
        // differs by more cannot come closer than the best so far.
        const std::size_t lengths =
            name.size() > word.size() ? name.size() - word.size() : word.size() - name.size();
        if (lengths >= bestSlips) {
            continue;
        }
        const std::string lowerName = Lower(name);
        if (LettersApart(lower, lowerName) >= bestSlips) {
            continue;
        }
        const std::size_t slips = Slips(lower, lowerName);
        if (slips < bestSlips) {
            best = &name;
            bestSlips = slips;
        }
    }
    return best != nullptr ? std::optional<std::string>(*best) : std::nullopt;
}

}  // namespace rakor::Sandbox

// The count of typing slips between a word and a name, as SpellingSlips
// counts it while it passes most names by on their lengths and letters,
// against the whole table of slips (insert, delete, replace, swap of
// neighbours, without case) filled in full for every pair.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sandbox/Spelling.h"

namespace {

std::size_t FullTable(const std::string& word, const std::string& name) {
    const auto lower = [](char c) { return rakor::Sandbox::LowerAscii(c); };
    std::vector<std::vector<std::size_t>> d(word.size() + 1,
                                            std::vector<std::size_t>(name.size() + 1));
    for (std::size_t i = 0; i <= word.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= name.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= word.size(); ++i) {
        for (std::size_t j = 1; j <= name.size(); ++j) {
            const std::size_t replace = lower(word[i - 1]) == lower(name[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + replace});
            if (i > 1 && j > 1 && lower(word[i - 1]) == lower(name[j - 2]) &&
                lower(word[i - 2]) == lower(name[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[word.size()][name.size()];
}

TEST(SpellingTest, SlipsAreCountedAsTheWholeTableCountsThemUpToTheMostAsked) {
    // Few letters, so that words lie close to each other; the digits, '_'
    // and letters beyond them fall into sets of their own.
    std::mt19937 random(5);
    const std::string letters = "abAB_19~";
    const auto word = [&] {
        std::string text(random() % 12, ' ');
        for (char& c : text) {
            c = letters[random() % letters.size()];
        }
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = word();
        const std::string b = word();
        const std::size_t most = random() % 5;
        const std::size_t slips = FullTable(a, b);
        rakor::Sandbox::SpellingSlips counted(a);
        const std::size_t said = counted.To(b, most);
        if (slips <= most) {
            ASSERT_EQ(said, slips) << "'" << a << "' to '" << b << "', at most " << most;
        } else {
            ASSERT_GT(said, most) << "'" << a << "' to '" << b << "', at most " << most;
        }
        // The same counter again, for the next name: nothing of this one stays.
        ASSERT_EQ(counted.To(a, most), 0u);
    }
}

}  // namespace

// The names vxmod offers for a misspelt one, against the choice among every
// name at once (the closest spelling, else the names it is a part of): the list remembers the
// closest name to each word while it grows, compares a word asked again with the names added since
// only, and must choose exactly as a search of the whole list does.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "review/NameParts.h"
#include "review/NameSuggestions.h"
#include "sandbox/NameHash.h"

namespace {

// What a suggestion says when the whole list is searched at once.
std::string Expected(const std::string& word, const std::vector<std::string>& names) {
    if (const auto meant = vxmod::MeantNames(word, names); !meant.empty()) {
        return vxmod::DidYouMean(meant);
    }
    if (!names.empty() && names.size() <= 8) {
        std::string listed = "; the names are ";
        for (std::size_t i = 0; i < names.size(); ++i) {
            listed += (i == 0 ? "'" : ", '") + names[i] + "'";
        }
        return listed;
    }
    return {};
}

TEST(NameSuggestionsTest, ChoosesAsTheSearchOfEveryNameDoesWhileTheListGrows) {
    // Few letters, so that names lie close to each other and ties are common.
    std::mt19937 random(17);
    const std::string letters = "abAB_1";  // words of 4 and more are parts of longer ones
    const auto word = [&] {
        // Now and then long: a part of eight letters and more is at the end of one.
        std::string text(1 + random() % (random() % 8 == 0 ? 20 : 11), ' ');
        for (char& c : text) {
            c = letters[random() % letters.size()];
        }
        return text;
    };
    for (int round = 0; round < 40; ++round) {
        vxmod::NameList list;
        std::vector<std::string> names;  // as the list should hold them
        std::vector<std::string> asked;
        for (int batch = 0; batch < 6; ++batch) {
            // Now and then hundreds: the ends of names are sorted in then.
            for (int i = random() % (round % 5 == 0 ? 400 : 30); i > 0; --i) {
                const std::string name = word();
                list.Add(rakor::Sandbox::HashName(name));
                if (rakor::Sandbox::NameOf(rakor::Sandbox::Crc32(name)) == name &&
                    std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(name);
                }
            }
            for (int i = 0; i < 20; ++i) {
                const uint32_t roll = random() % 4;
                if (roll == 0 && !names.empty()) {
                    asked.push_back(names[random() % names.size()]);
                } else if (roll == 1 && !names.empty()) {
                    // The end of a name, as a modder remembers half of it.
                    const std::string& name = names[random() % names.size()];
                    asked.push_back(name.substr(std::min<std::size_t>(name.size(), 4)));
                } else {
                    asked.push_back(word());
                }
            }
            // Words asked before are asked again, against the names added since.
            for (const std::string& w : asked) {
                ASSERT_EQ(list.Suggestion(w, "names"), Expected(w, names))
                    << "word '" << w << "', round " << round << ", batch " << batch;
            }
        }
    }
}

}  // namespace

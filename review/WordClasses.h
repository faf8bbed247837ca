#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "review/FindingPlace.h"

namespace vxmod {

// What each word of a script is, for an editor to colour it: the command
// word, and the arguments by the roles the command table gives them.
enum class WordClass {
    Command,
    Class,
    Collection,
    NewCollection,
    Field,
    Member,
    Number,
    Text,
    Comment
};

struct ClassifiedWord {
    std::size_t line = 0;  // from 0
    WordSpan word{};
    WordClass what = WordClass::Text;
};

// In the order of the text. A word the loader does not read (an unknown
// command's, one past what the command reads) is left out.
std::vector<ClassifiedWord> ClassifyWords(std::string_view text);

}  // namespace vxmod

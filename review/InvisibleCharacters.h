#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vxmod {

// A character that a text copied from a web page or a word processor brings
// along and that a modder cannot see: a space that is no blank to the loader
// (only the plain space, the tab and the line ends separate words), or a
// character of no width at all.
struct InvisibleCharacter {
    uint32_t codePoint = 0;
    std::string_view name;  // "a no-break space"
    bool looksLikeABlank = false;
};

// The character's entry, or null for one that shows.
const InvisibleCharacter* FindInvisible(uint32_t codePoint);

// The first such character in a text, where it lies and how many bytes it takes.
struct InvisibleAt {
    const InvisibleCharacter* character = nullptr;
    std::size_t at = 0;
    std::size_t length = 0;
};
std::optional<InvisibleAt> FirstInvisible(std::string_view text);

// The text without any such character.
std::string WithoutInvisibles(std::string_view text);

}  // namespace vxmod

#include "review/InvisibleCharacters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "host/Utf8.h"

namespace vxmod {
namespace {

// In code point order.
constexpr std::array kInvisible{
    InvisibleCharacter{0x00A0, "a no-break space", true},
    InvisibleCharacter{0x00AD, "a soft hyphen", false},
    InvisibleCharacter{0x1680, "an Ogham space mark", true},
    InvisibleCharacter{0x2000, "an en quad", true},
    InvisibleCharacter{0x2001, "an em quad", true},
    InvisibleCharacter{0x2002, "an en space", true},
    InvisibleCharacter{0x2003, "an em space", true},
    InvisibleCharacter{0x2004, "a three-per-em space", true},
    InvisibleCharacter{0x2005, "a four-per-em space", true},
    InvisibleCharacter{0x2006, "a six-per-em space", true},
    InvisibleCharacter{0x2007, "a figure space", true},
    InvisibleCharacter{0x2008, "a punctuation space", true},
    InvisibleCharacter{0x2009, "a thin space", true},
    InvisibleCharacter{0x200A, "a hair space", true},
    InvisibleCharacter{0x200B, "a zero-width space", false},
    InvisibleCharacter{0x200C, "a zero-width non-joiner", false},
    InvisibleCharacter{0x200D, "a zero-width joiner", false},
    InvisibleCharacter{0x200E, "a left-to-right mark", false},
    InvisibleCharacter{0x200F, "a right-to-left mark", false},
    InvisibleCharacter{0x2028, "a line separator", true},
    InvisibleCharacter{0x2029, "a paragraph separator", true},
    InvisibleCharacter{0x202F, "a narrow no-break space", true},
    InvisibleCharacter{0x205F, "a medium mathematical space", true},
    InvisibleCharacter{0x2060, "a word joiner", false},
    InvisibleCharacter{0x3000, "an ideographic space", true},
    InvisibleCharacter{0xFEFF, "a zero-width no-break space (a byte-order mark)", false},
};

}  // namespace

const InvisibleCharacter* FindInvisible(uint32_t codePoint) {
    const auto found = std::lower_bound(
        kInvisible.begin(), kInvisible.end(), codePoint,
        [](const InvisibleCharacter& c, uint32_t code) { return c.codePoint < code; });
    return found != kInvisible.end() && found->codePoint == codePoint ? &*found : nullptr;
}

std::optional<InvisibleAt> FirstInvisible(std::string_view text) {
    // Every one of them lies beyond ASCII, which most lines never leave:
    // those are passed by sixteen bytes at a time.
    std::size_t start = 0;
    for (; start + 16 <= text.size(); start += 16) {
        uint32_t words[4];
        std::memcpy(words, text.data() + start, 16);
        if (((words[0] | words[1] | words[2] | words[3]) & 0x80808080u) != 0) {
            break;
        }
    }
    for (; start + 4 <= text.size(); start += 4) {
        uint32_t word;
        std::memcpy(&word, text.data() + start, 4);
        if ((word & 0x80808080u) != 0) {
            break;
        }
    }
    for (std::size_t at = start; at < text.size();) {
        if (static_cast<uint8_t>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const rakor::Utf8::Decoded decoded = rakor::Utf8::DecodeFirst(text.substr(at));
        if (decoded.length == 0) {
            ++at;
            continue;
        }
        if (const InvisibleCharacter* character = FindInvisible(decoded.codePoint)) {
            return InvisibleAt{character, at, decoded.length};
        }
        at += decoded.length;
    }
    return std::nullopt;
}

std::string WithoutInvisibles(std::string_view text) {
    std::string shown;
    while (const auto found = FirstInvisible(text)) {
        shown += text.substr(0, found->at);
        text.remove_prefix(found->at + found->length);
    }
    shown += text;
    return shown;
}

}  // namespace vxmod

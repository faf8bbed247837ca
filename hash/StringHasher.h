#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rakor::Attrib {

// Names to the host's 32-bit keys. A text that begins with "0x" is a key
// written out in hexadecimal (for names nobody knows any more); every other
// text goes unchanged to the host's own string hash.
struct StringHasher {
    // Throws std::invalid_argument for "0x" not followed by a hexadecimal
    // digit ("0x", "0xZZ", "0x-1") and std::out_of_range for a value wider
    // than 32 bits.
    static uint32_t HashText(const std::string& text);
    // Whether HashText throws for the text.
    static bool Refuses(std::string_view text);
};

}  // namespace rakor::Attrib

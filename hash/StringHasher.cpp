#include "hash/StringHasher.h"

#include <limits>
#include <stdexcept>

#include "hash/HexText.h"
#include "host/HostApi.h"

namespace rakor::Attrib {

namespace {

enum class KeyText { Name, Key, NotHexadecimal, TooWide };

// The digits of a "0x" name are read from the start, and what follows them
// is ignored, as the standard conversion does ("0x1Fz" is 0x1F). That
// conversion would also take a sign, and read "0x-1" as the largest key: a
// key has no sign, so such a name is refused.
KeyText ReadKeyText(std::string_view text, uint32_t& key) {
    if (!text.starts_with("0x")) {
        return KeyText::Name;
    }
    const Hex::Number number = Hex::ReadDigits(text.substr(2));
    if (number.digits == 0) {
        return KeyText::NotHexadecimal;
    }
    if (number.overflow || number.value > std::numeric_limits<uint32_t>::max()) {
        return KeyText::TooWide;
    }
    key = static_cast<uint32_t>(number.value);
    return KeyText::Key;
}

}  // namespace

uint32_t StringHasher::HashText(const std::string& text) {
    uint32_t key = 0;
    switch (ReadKeyText(text, key)) {
        case KeyText::Key:
            return key;
        case KeyText::NotHexadecimal:
            throw std::invalid_argument("hash '" + text + "' is not a hexadecimal number");
        case KeyText::TooWide:
            throw std::out_of_range("hash '" + text + "' does not fit in 32 bits");
        case KeyText::Name:
            break;
    }
    return Host::HashString32(text.c_str());
}

bool StringHasher::Refuses(std::string_view text) {
    uint32_t key = 0;
    const KeyText read = ReadKeyText(text, key);
    return read == KeyText::NotHexadecimal || read == KeyText::TooWide;
}

}  // namespace rakor::Attrib

#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// Hexadecimal digits, read and written in one place: keys written out as
// "0x..." in scripts and database descriptions, and the bytes of texts that
// are no UTF-8.
namespace rakor::Hex {

// The value of one hexadecimal digit (either case); -1 for any other character.
constexpr int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The hexadecimal digits at the start of a text, as one number. No sign and
// no blank is read: a key has neither.
struct Number {
    uint64_t value = 0;
    std::size_t digits = 0;  // how many were read; 0: the text begins with none
    bool overflow = false;   // beyond 64 bits (value is then meaningless)
};

constexpr Number ReadDigits(std::string_view text) {
    Number number;
    for (const char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0) {
            break;
        }
        if (number.value > (std::numeric_limits<uint64_t>::max() >> 4)) {
            number.overflow = true;
        }
        number.value = (number.value << 4) | static_cast<uint64_t>(digit);
        ++number.digits;
    }
    return number;
}

// Two digits per byte, in order: the bytes; empty when the text is not that.
inline std::optional<std::string> BytesOf(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = DigitValue(hex[i]);
        const int low = DigitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

// Appends the byte as two digits.
inline void AppendByte(std::string& out, uint8_t byte, bool upperCase = false) {
    const char* const digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0xF]);
}

// Two lower-case digits per byte.
inline std::string OfBytes(std::string_view bytes) {
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const char byte : bytes) {
        AppendByte(hex, static_cast<uint8_t>(byte));
    }
    return hex;
}

}  // namespace rakor::Hex

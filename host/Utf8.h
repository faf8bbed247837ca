#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8, in one place: the names Windows gives in UTF-16 shown in UTF-8, the
// names other systems give in bytes taken apart for sorting, and texts
// checked before they go where only UTF-8 may (a JSON text).
namespace rakor::Utf8 {

inline constexpr uint32_t kReplacement = 0xFFFD;

inline void Append(std::string& text, uint32_t codePoint) {
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// The code point the well-formed sequence at the start of the bytes stands
// for, and its length; length 0 when the bytes begin with none (a stray byte,
// an overlong form, a surrogate, beyond U+10FFFF, or cut short).
struct Decoded {
    uint32_t codePoint = 0;
    std::size_t length = 0;
};

inline Decoded DecodeFirst(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const auto lead = static_cast<uint8_t>(bytes[0]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    // The length of the sequence and the range of its second byte, which
    // keeps out overlong forms, surrogates and code points beyond U+10FFFF.
    std::size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || bytes.size() < length) {
        return {};
    }
    uint32_t codePoint = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(bytes[k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
            return {};
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    return {codePoint, length};
}

inline bool IsValid(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t length = DecodeFirst(bytes).length;
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

// UTF-16 code units (a Windows name) in UTF-8. Nobody checks a name's
// units: a surrogate without its partner has no UTF-8 form and is shown as
// U+FFFD, so that an odd name is still named.
template <typename Unit>
std::string FromUtf16(std::basic_string_view<Unit> units) {
    const auto isHigh = [](uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
    const auto isLow = [](uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto unit = static_cast<uint32_t>(units[i]);
        if (isHigh(unit) && i + 1 < units.size() && isLow(static_cast<uint32_t>(units[i + 1]))) {
            const auto low = static_cast<uint32_t>(units[++i]);
            Append(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHigh(unit) || isLow(unit)) {
            Append(text, kReplacement);
        } else {
            Append(text, unit);
        }
    }
    return text;
}

// Appends the code point as UTF-16 units.
inline void AppendUtf16(std::u16string& out, uint32_t codePoint) {
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(codePoint));
    }
}

}  // namespace rakor::Utf8

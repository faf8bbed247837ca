#include "typedb/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>
#include <type_traits>

// Follows the standard library's num_get, which the streams use, step for
// step: the sentry skips blanks; one sign; leading zeros; then digits, and for
// a float one decimal point and an "e" or "E" with an optional sign, as long as
// each can continue what was read. A float's characters are then converted,
// and must be converted whole ("1e" is not).
namespace rakor::Attrib {
namespace {

// The classic locale's blanks.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Far beyond any float's exponent, and far from overflowing a long.
constexpr long kExponentCap = 100000000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The powers of ten a float holds exactly (5^10 still fits its 24 bits).
constexpr float kExactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                       1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr long kLargestExactPower = 10;
// Every whole number up to 2^24 is a float.
constexpr uint32_t kLargestExactMantissa = uint32_t{1} << 24;

std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return i;
}

template <typename T>
ExtractedNumber<T> ExtractInteger(std::string_view text) {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    using Unsigned = std::make_unsigned_t<T>;
    std::size_t i = SkipBlanks(text);
    if (i == text.size()) {
        return {0, false};  // the sentry fails: the variable is not touched
    }
    const bool negative = text[i] == '-';
    if (negative || text[i] == '+') {
        ++i;
    }
    // The largest magnitude the type takes with this sign, as its tens and
    // units: a digit overflows a magnitude above the tens, or equal to them
    // with a digit above the units. (Constants: no 64-bit division, which a
    // 32-bit target makes a library call, for every digit.)
    using Magnitude = std::conditional_t<(sizeof(T) <= sizeof(uint32_t)), uint32_t, uint64_t>;
    constexpr auto kMaxLimit = static_cast<Magnitude>(std::numeric_limits<T>::max());
    constexpr auto kMinLimit =
        std::is_signed_v<T>
            ? static_cast<Magnitude>(static_cast<Unsigned>(std::numeric_limits<T>::min()))
            : kMaxLimit;
    const bool belowZero = negative && std::is_signed_v<T>;
    const Magnitude limitTens = belowZero ? kMinLimit / 10 : kMaxLimit / 10;
    const Magnitude limitUnits = belowZero ? kMinLimit % 10 : kMaxLimit % 10;
    bool anyDigit = false;
    bool overflow = false;
    Magnitude magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        anyDigit = true;
        const auto digit = static_cast<Magnitude>(text[i] - '0');
        if (!overflow &&
            (magnitude > limitTens || (magnitude == limitTens && digit > limitUnits))) {
            overflow = true;
        }
        if (!overflow) {
            magnitude = magnitude * 10 + digit;
        }
    }
    if (!anyDigit) {
        return {0, false};
    }
    if (overflow) {
        return {negative && std::is_signed_v<T> ? std::numeric_limits<T>::min()
                                                : std::numeric_limits<T>::max(),
                false, i};
    }
    // Unsigned types wrap a minus sign around, as unsigned negation does.
    const auto bits = static_cast<Unsigned>(magnitude);
    return {static_cast<T>(negative ? static_cast<Unsigned>(Unsigned{0} - bits) : bits), true, i};
}

// The extraction reads a bool as a long and takes only 0 and 1.
ExtractedNumber<bool> ExtractBool(std::string_view text) {
    const ExtractedNumber<long long> number = ExtractInteger<long long>(text);
    // On 32-bit targets a long is 32 bits; a value beyond fails either way.
    if (number.ok && (number.value == 0 || number.value == 1)) {
        return {number.value == 1, true, number.used};
    }
    return {number.ok || number.value != 0, false, number.used};
}

// The whole number times ten to the power, both floats exactly (the power
// within kLargestExactPower): one multiplication or division of the two is
// then the correctly rounded float, which is what the converter returns. That
// holds where the arithmetic runs wider first, as x87 does with its 64 bits:
// an exact result of these operands lies at least 2^-59 of itself away from
// the middle between two floats, farther than that first rounding moves it.
float ExactQuotientOrProduct(uint32_t mantissa, long power, bool negative) {
    const auto whole = static_cast<float>(mantissa);
    const float magnitude = power < 0 ? static_cast<float>(whole / kExactPowersOfTen[-power])
                                      : static_cast<float>(whole * kExactPowersOfTen[power]);
    return negative ? -magnitude : magnitude;
}

// Most values are plain decimals of a few digits ("12", "-0.35"): read here
// in one pass, without the bookkeeping an exponent or a long number needs.
// Empty when the text starting at `i` is no such decimal followed by a
// character that cannot continue it; otherwise `end` is where the decimal ends.
std::optional<float> ReadShortDecimal(std::string_view text, std::size_t i, bool negative,
                                      std::size_t& end) {
    // Seven digits stay below 2^24, so the digits are a float exactly.
    constexpr int kMostDigits = 7;
    uint32_t mantissa = 0;
    int digits = 0;
    long fractionDigits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            if (++digits > kMostDigits) {
                return std::nullopt;
            }
            mantissa = mantissa * 10 + static_cast<uint32_t>(c - '0');
            fractionDigits += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || (i < text.size() && (text[i] == 'e' || text[i] == 'E'))) {
        return std::nullopt;
    }
    end = i;
    return ExactQuotientOrProduct(mantissa, -fractionDigits, negative);
}

ExtractedNumber<float> ExtractFloat(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    if (i == text.size()) {
        return {0.0f, false};
    }
    const bool negative = text[i] == '-';
    // The converter takes no plus sign, which adds nothing to the number.
    const std::size_t first = text[i] == '+' ? i + 1 : i;
    if (negative || text[i] == '+') {
        ++i;
    }
    std::size_t decimalEnd = 0;
    if (const std::optional<float> decimal = ReadShortDecimal(text, i, negative, decimalEnd)) {
        return {*decimal, true, decimalEnd};
    }

    bool mantissaDigit = false;  // a digit before any exponent
    bool point = false;
    bool exponent = false;
    bool exponentDigit = false;
    bool exponentNegative = false;
    long exponentValue = 0;
    // The number lies below 10 to the power `leading` (its first significant
    // digit's place), which tells an underflow from an overflow below.
    long leading = 0;
    bool significant = false;
    // The digits as one whole number while it stays a float exactly, and how
    // many of them follow the point.
    uint32_t mantissa = 0;
    bool mantissaExact = true;
    long fractionDigits = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c) && exponent) {
            exponentDigit = true;
            exponentValue = std::min(exponentValue * 10 + (c - '0'), kExponentCap);
        } else if (IsDigit(c)) {
            mantissaDigit = true;
            if (mantissaExact) {
                mantissa = mantissa * 10 + static_cast<uint32_t>(c - '0');
                mantissaExact = mantissa <= kLargestExactMantissa;
                fractionDigits += point ? 1 : 0;
            }
            if (!significant && c != '0') {
                significant = true;
                leading = point ? leading : 1;
            } else if (significant && !point) {
                ++leading;
            } else if (!significant && point) {
                --leading;
            }
        } else if (c == '.' && !point && !exponent) {
            point = true;
        } else if ((c == 'e' || c == 'E') && !exponent && mantissaDigit) {
            exponent = true;
            if (i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) {
                exponentNegative = text[i + 1] == '-';
                ++i;
            }
        } else {
            break;
        }
    }
    // What the extraction collected must convert whole: a digit before the
    // exponent, and a digit in the exponent when there is one.
    if (!mantissaDigit || (exponent && !exponentDigit)) {
        return {0.0f, false};
    }

    // A whole number and a power of ten that are both floats exactly.
    if (mantissaExact) {
        const long power = (exponentNegative ? -exponentValue : exponentValue) - fractionDigits;
        if (power >= -kLargestExactPower && power <= kLargestExactPower) {
            return {ExactQuotientOrProduct(mantissa, power, negative), true, i};
        }
    }

    float value = 0.0f;
    const char* const last = text.data() + i;
    const auto [end, error] =
        std::from_chars(text.data() + first, last, value, std::chars_format::general);
    if (error == std::errc() && end == last) {
        return {value, true, i};
    }
    if (error != std::errc::result_out_of_range) {
        return {0.0f, false};  // not reached: the characters were checked above
    }
    // Too small a number becomes zero and is accepted, as the C library's
    // conversion underneath the stream makes it; too large a number fails,
    // leaving the largest float of its sign.
    leading += exponentNegative ? -exponentValue : exponentValue;
    if (leading <= 0) {
        return {negative ? -0.0f : 0.0f, true, i};
    }
    return {negative ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max(),
            false, i};
}

}  // namespace

template <typename T>
ExtractedNumber<T> ExtractNumber(std::string_view text) {
    if constexpr (std::is_same_v<T, bool>) {
        return ExtractBool(text);
    } else if constexpr (std::is_same_v<T, float>) {
        return ExtractFloat(text);
    } else {
        return ExtractInteger<T>(text);
    }
}

template ExtractedNumber<bool> ExtractNumber<bool>(std::string_view);
template ExtractedNumber<short> ExtractNumber<short>(std::string_view);
template ExtractedNumber<unsigned short> ExtractNumber<unsigned short>(std::string_view);
template ExtractedNumber<int> ExtractNumber<int>(std::string_view);
template ExtractedNumber<unsigned int> ExtractNumber<unsigned int>(std::string_view);
template ExtractedNumber<long long> ExtractNumber<long long>(std::string_view);
template ExtractedNumber<float> ExtractNumber<float>(std::string_view);

}  // namespace rakor::Attrib

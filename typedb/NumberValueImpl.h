#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include <fmt/format.h>

#include "typedb/NumberText.h"
#include "typedb/TypedValueImpl.h"

namespace rakor::Attrib {

namespace NumberConversion {

// Double to integer, truncated toward zero. Out-of-range values saturate and
// NaN gives 0, so no conversion here is ever undefined.
template <typename I>
I TruncateSaturating(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= static_cast<double>(std::numeric_limits<I>::min())) {
        return std::numeric_limits<I>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<I>::max())) {
        return std::numeric_limits<I>::max();
    }
    return static_cast<I>(value);
}

// Values from 2^63 up are converted as unsigned; smaller ones as signed, so a
// negative float gives its two's-complement pattern.
inline uint64_t FloatToUInt64(float value) {
    constexpr double kTwo63 = 9223372036854775808.0;
    const double wide = value;
    if (wide >= kTwo63) {
        if (wide >= 2 * kTwo63) {
            return std::numeric_limits<uint64_t>::max();
        }
        return static_cast<uint64_t>(static_cast<int64_t>(wide - kTwo63)) + (uint64_t{1} << 63);
    }
    return static_cast<uint64_t>(TruncateSaturating<int64_t>(wide));
}

}  // namespace NumberConversion

// A number stored in host byte order. `bool` is the host's one-byte boolean,
// handled as its raw byte: the host may hold any byte there, and only 0 and 1
// are valid bool objects in C++.
template <typename T>
class NumberValueImpl : public TrivialValueImpl<T> {
    static_assert(std::is_arithmetic_v<T>);
    static_assert(sizeof(bool) == 1, "the host's booleans are one byte");

protected:
    using Numeric = std::conditional_t<std::is_same_v<T, bool>, uint8_t, T>;

public:
    std::optional<std::string> ToString() const override {
        if constexpr (std::is_floating_point_v<T>) {
            // Fixed notation, six decimals, as the host's own tools print floats.
            return fmt::format("{:f}", static_cast<double>(Load()));
        } else {
            return fmt::format("{}", Load());
        }
    }

    std::optional<uint64_t> ToUInt64() const override {
        if constexpr (std::is_floating_point_v<T>) {
            return NumberConversion::FloatToUInt64(Load());
        } else if constexpr (std::is_signed_v<Numeric>) {
            return static_cast<uint64_t>(static_cast<int64_t>(Load()));
        } else {
            return static_cast<uint64_t>(Load());
        }
    }

    std::optional<double> ToDouble() const override { return static_cast<double>(Load()); }

    // Formatted extraction with the stream's defaults: leading blanks are
    // skipped, the number ends at the first character that cannot continue it
    // (12abc gives 12, 0x1F gives 0), and a number out of range fails. The
    // field is written only when the text was accepted.
    bool Parse(const std::string& text) override { return Read(text).Stored(); }

    // Reads the text where it lies, without a string of its own: how a
    // script line's value is read into a plain number, straight from the script.
    ValueReading Read(std::string_view text) override { return StoreRead(ExtractNumber<T>(text)); }

    // Keeps the low bits of v; never refuses.
    bool SetUInt64(uint64_t value) override {
        if constexpr (std::is_same_v<T, bool>) {
            Store(value != 0 ? 1 : 0);
        } else if constexpr (std::is_floating_point_v<T>) {
            Store(static_cast<T>(static_cast<double>(value)));
        } else {
            Store(static_cast<T>(value));
        }
        return true;
    }

    // Truncates toward zero; the 16-bit types go through a 32-bit integer and
    // keep its low bits. Never refuses.
    bool SetDouble(double value) override {
        if constexpr (std::is_same_v<T, bool>) {
            Store(value == 0.0 ? 0 : 1);  // NaN compares unequal: true
        } else if constexpr (std::is_floating_point_v<T>) {
            Store(static_cast<T>(value));
        } else if constexpr (sizeof(T) < sizeof(int32_t)) {
            Store(static_cast<T>(NumberConversion::TruncateSaturating<int32_t>(value)));
        } else {
            Store(NumberConversion::TruncateSaturating<T>(value));
        }
        return true;
    }

protected:
    // Stores a number the extraction accepted, and says what it read.
    template <typename N>
    ValueReading StoreRead(const ExtractedNumber<N>& number) {
        using Result = ValueReading::Result;
        if (!number.ok) {
            return ValueReading::Refused(number.used != 0 ? Result::OutOfRange
                                                          : Result::NotANumber);
        }
        Store(static_cast<Numeric>(number.value));
        return {.result = Result::Stored,
                .kind = std::is_floating_point_v<T> ? ValueReading::Number::Decimal
                                                    : ValueReading::Number::Whole,
                .member = -1,
                .used = static_cast<uint32_t>(number.used),
                .number = static_cast<double>(Load())};
    }

    // Read and written as Numeric, never as T: a bool may only hold 0 or 1,
    // while the host's byte may hold anything.
    Numeric Load() const { return Host::LoadFrom<Numeric>(this->GetStorage()); }
    void Store(Numeric value) { Host::StoreTo(this->GetStorage(), value); }
};

}  // namespace rakor::Attrib

#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>

#include <fmt/format.h>

#include "typedb/NumberText.h"
#include "typedb/NumberValueImpl.h"

namespace rakor::Attrib::TypeDB {

// The host's 8-bit number types. They are registered with the 16-bit storage
// type of the same signedness (size 2, as the host's type table states), but
// a field or array element of an 8-bit type may be a single byte wide. Every
// operation therefore reads and writes exactly one byte, so nothing is ever
// written past the field. Text is read as a number, not as a character, and
// the number as written must lie in the 8-bit range of the type's signedness.
template <typename Wide>
class EightBitNumber final : public NumberValueImpl<Wide> {
    static_assert(std::is_same_v<Wide, unsigned short> || std::is_same_v<Wide, short>);
    using Narrow = std::conditional_t<std::is_signed_v<Wide>, int8_t, uint8_t>;

public:
    std::optional<std::string> ToString() const override {
        return fmt::format("{}", static_cast<int>(LoadByte()));
    }

    std::optional<uint64_t> ToUInt64() const override {
        // Sign- or zero-extension follows from Narrow's signedness.
        return static_cast<uint64_t>(static_cast<int64_t>(LoadByte()));
    }

    std::optional<double> ToDouble() const override { return static_cast<double>(LoadByte()); }

    // Read signed and wide: an unsigned 16-bit extraction takes "-65535" as
    // 1, wrapping the minus sign away before any range test could see it.
    bool Parse(const std::string& text) override { return Read(text).Stored(); }

    ValueReading Read(std::string_view text) override {
        const ExtractedNumber<long long> number = ExtractNumber<long long>(text);
        if (!number.ok || number.value < std::numeric_limits<Narrow>::min() ||
            number.value > std::numeric_limits<Narrow>::max()) {
            return ValueReading::Refused(number.used != 0 ? ValueReading::Result::OutOfRange
                                                          : ValueReading::Result::NotANumber);
        }
        StoreByte(static_cast<Narrow>(number.value));
        return {.result = ValueReading::Result::Stored,
                .kind = ValueReading::Number::Whole,
                .member = -1,
                .used = static_cast<uint32_t>(number.used),
                .number = static_cast<double>(LoadByte())};
    }

    bool SetUInt64(uint64_t value) override {
        StoreByte(static_cast<Narrow>(value));
        return true;
    }

    bool SetDouble(double value) override {
        StoreByte(static_cast<Narrow>(NumberConversion::TruncateSaturating<int32_t>(value)));
        return true;
    }

    bool Assign(const void* source) override {
        StoreByte(Host::LoadFrom<Narrow>(source));
        return true;
    }

private:
    Narrow LoadByte() const { return Host::LoadFrom<Narrow>(this->GetStorage()); }
    void StoreByte(Narrow value) { Host::StoreTo(this->GetStorage(), value); }
};

}  // namespace rakor::Attrib::TypeDB

#pragma once

#include <cstddef>
#include <cstdint>

namespace rakor::Attrib {

// What a value's reader made of a text: whether it stored it, why not, how
// much of the text it took and, for numbers and booleans, what it stored.
// A tool that follows a run tells a modder from this what the game keeps
// ("12abc" is read as 12), without reading the text a second time.
struct ValueReading {
    enum class Result : uint8_t {
        Stored,
        NotANumber,  // a number type, and the text does not begin with a number
        OutOfRange,  // a number beyond the type's range (nothing stored)
        NoTextForm,  // the type is set member by member, or not at all
        NoMember,    // the value has no member of that name
    };
    // What `number` holds.
    enum class Number : uint8_t { None, Whole, Decimal, Boolean };

    Result result = Result::NoTextForm;
    Number kind = Number::None;
    // For a member: its place among the type's members, in the order the
    // type lists them; -1 for the value itself.
    int8_t member = -1;
    // Bytes of the text the reader took: for a number up to where it
    // stopped (blanks before it included), for other texts all of them.
    uint32_t used = 0;
    double number = 0;  // the number stored: whole numbers and floats exactly
    // The hash of the type that read the text: for a member, the member's.
    uint32_t typeKey = 0;

    bool Stored() const { return result == Result::Stored; }
    explicit operator bool() const { return Stored(); }

    static ValueReading StoredText(std::size_t length) {
        return {.result = Result::Stored,
                .kind = Number::None,
                .member = -1,
                .used = static_cast<uint32_t>(length),
                .number = 0};
    }
    static ValueReading Refused(Result why) { return {.result = why}; }
};

}  // namespace rakor::Attrib

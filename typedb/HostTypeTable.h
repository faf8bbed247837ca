#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace rakor::Attrib {

// How a field of a type reads the value text of a script line.
enum class ValueForm : uint8_t {
    Whole,        // a whole number from `lowest` to `highest`
    Decimal,      // a decimal number, stored as a float
    Bool,         // exactly "True" is true; any other text is false
    Text,         // the text itself, up to a NUL byte
    Name,         // a name (or a "0x" key); the field holds its hash
    HashedText,   // a text; the field holds its 64-bit hash
    Key,          // a name: sets its hash and the text together; members too
    MembersOnly,  // set one member at a time
    None,         // cannot be set from a script
};

// One host field type the library understands: its host type name and how
// its values are written in a script.
struct HostTypeRow {
    std::string_view name;
    ValueForm form;
    long long lowest = 0;  // whole numbers: the range the reader accepts
    long long highest = 0;
    bool wrapsNegative = false;  // unsigned: a leading "-" wraps around ("-1" is the largest)
};

namespace HostTypeTableDetail {

template <typename T>
constexpr HostTypeRow Whole(std::string_view name, bool wrapsNegative = false) {
    return {name, ValueForm::Whole, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
            wrapsNegative};
}

}  // namespace HostTypeTableDetail

// The 21 host types, in the order they are registered (the 8-bit numbers
// before the 16-bit ones, which share their storage types). The ranges are
// those of the numbers as the host holds them; the readers check exactly these.
inline constexpr std::array<HostTypeRow, 21> kHostTypeTable{{
    {"AxlePair", ValueForm::MembersOnly},
    {"GCollectionKey", ValueForm::None},
    {"FECarPartInfo", ValueForm::MembersOnly},
    {"JunkmanMod", ValueForm::MembersOnly},
    {"Attrib::Types::Vector2", ValueForm::MembersOnly},
    {"Attrib::Types::Vector3", ValueForm::MembersOnly},
    {"Attrib::Types::Vector4", ValueForm::MembersOnly},
    {"Attrib::Types::Matrix", ValueForm::None},
    HostTypeTableDetail::Whole<uint8_t>("KQ::Reflection::UInt8"),
    HostTypeTableDetail::Whole<int8_t>("KQ::Reflection::Int8"),
    HostTypeTableDetail::Whole<uint16_t>("KQ::Reflection::UInt16", true),
    HostTypeTableDetail::Whole<int16_t>("KQ::Reflection::Int16"),
    HostTypeTableDetail::Whole<uint32_t>("KQ::Reflection::UInt32", true),
    HostTypeTableDetail::Whole<int32_t>("KQ::Reflection::Int32"),
    {"KQ::Reflection::Float", ValueForm::Decimal},
    {"KQ::Reflection::Bool", ValueForm::Bool},
    {"Attrib::RefSpec", ValueForm::MembersOnly},
    {"Attrib::StringHashWrapper32", ValueForm::Name},
    {"Attrib::StringHashWrapper64", ValueForm::HashedText},
    {"Attrib::StringKey", ValueForm::Key},
    {"KQ::Reflection::Text", ValueForm::Text},
}};

// The row of a type name; a name that has none does not compile.
consteval const HostTypeRow& HostTypeNamed(std::string_view name) {
    for (const HostTypeRow& row : kHostTypeTable) {
        if (row.name == name) {
            return row;
        }
    }
    throw std::logic_error("no such host type");
}

}  // namespace rakor::Attrib

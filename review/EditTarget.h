#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "typedb/ValueReading.h"

namespace vxmod {

// The value a successful line changes, where it lands: the collection that
// holds the field, which may be a parent of the one the line names. Keys and
// numbers only, so that a run can keep one for every value it sets.
struct EditTarget {
    uint32_t classKey = 0;
    uint32_t holderKey = 0;  // 0 when the holder is no collection of the class
    uint32_t fieldKey = 0;
    int32_t element = -1;  // the array element; -1 for a single value
    int32_t member = -1;   // the member, by its place in the type; -1: the whole value
    bool size = false;     // resize_field: the array's element count

    bool operator==(const EditTarget&) const = default;
};

// Each word rotated in and multiplied, in 32 bits: a value set on every
// line is hashed on every line, and 64-bit products cost several
// instructions each in a 32-bit build.
struct EditTargetHash {
    uint32_t operator()(const EditTarget& target) const noexcept {
        uint32_t hash = 0;
        const auto mix = [&hash](uint32_t word) {
            hash = (std::rotl(hash, 5) ^ word) * 0x9E3779B1u;
        };
        mix(target.classKey);
        mix(target.holderKey);
        mix(target.fieldKey);
        mix(static_cast<uint32_t>(target.element));
        mix(static_cast<uint32_t>(target.member));
        mix(static_cast<uint32_t>(target.size));
        return hash;
    }
};

// How the line names its target, for messages: 'car'->'default'.'Gears'[2]['X'].
// Views into the line and the line's findings.
struct TargetWords {
    std::string_view className;
    std::string_view field;
    std::string_view member;
    // The holder's name, as it is shown now; none when it is the name the
    // sandbox remembers for the holder's key, which stays that key's name
    // (the collection the line names by a name, which the parser remembered).
    std::optional<std::string_view> holder;
};

// The value a line set: as written and, for a number, a truth value or an
// array's count, as it was stored. Two lines that store the same number
// agree, however they write it ("1e3" and "1" in a whole-number field).
struct SetValue {
    std::string_view written;
    rakor::Attrib::ValueReading::Number kind = rakor::Attrib::ValueReading::Number::None;
    double number = 0;
};

// A collection that add_node or copy_node made.
struct MadeCollection {
    uint32_t classKey = 0;
    uint32_t key = 0;
    uint32_t parentKey = 0;
    bool exists = false;         // there was one already: the new one takes its place in lookups
    std::string_view className;  // as the line writes them
    std::string_view name;
    // The class, and the collection that lookups found by the key before the
    // line ran (null for none).
    void* classRecord = nullptr;
    const void* holding = nullptr;
};

}  // namespace vxmod

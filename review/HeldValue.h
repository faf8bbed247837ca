#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vxmod {

// A field's value as the current database holds it for a collection, in the
// form a database description writes it, and the collection that holds it
// (the collection itself, or the parent it inherits it from).
struct HeldValue {
    std::string text{};
    std::string holder{};
    bool inherited = false;
};

// `element` -1: the whole value (an array's first elements and its count);
// `member` empty: every member. None when the class, the collection or the
// field is not there.
std::optional<HeldValue> ValueHeld(uint32_t classKey, uint32_t collectionKey, uint32_t fieldKey,
                                   int32_t element, std::string_view member);

}  // namespace vxmod

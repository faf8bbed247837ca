#pragma once

#include <cstddef>
#include <cstdint>

namespace vxmod {

// What a warning or note says, whatever names and numbers it says it of: a
// large mod says the same on line after line, and findings of one kind are
// shown a few to a script (FindingGroups).
enum class FindingKind : uint8_t {
    Unsorted,  // errors, and what is said of a whole file
    // Of the line's text.
    DoesNothing,
    IgnoredWords,
    CountReadInPart,
    Quotes,
    CopiesNothing,
    SubscriptReadInPart,
    Invisible,
    // Of the line as it ran.
    SubscriptIgnored,
    Inherited,
    MemberAsValue,
    NumberReadInPart,
    NegativeWrapped,
    ReadAsFalse,
    MadeAgain,
    // Of the whole run.
    Conflict,
    LayoutCopy,
    Reference,
};

inline constexpr std::size_t kFindingKinds = static_cast<std::size_t>(FindingKind::Reference) + 1;

}  // namespace vxmod

#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "review/FindingPlace.h"
#include "review/PackSession.h"

namespace vxmod {

// What a modder is told of the word at byte `at` of line `line` (from 0),
// in Markdown: a command's arguments; a class's size; a collection's
// parents; a field's type, how its values are written, where it is held,
// its value before the script and after the line, and the scripts that set
// it, the last one winning.
struct HoverText {
    WordSpan word{};
    std::string markdown{};
};
std::optional<HoverText> HoverAt(PackSession& session, const PackSession::Script& script,
                                 std::size_t line, std::size_t at);

}  // namespace vxmod

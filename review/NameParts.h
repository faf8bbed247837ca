#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vxmod {

// The fewest letters a part of a name has.
inline constexpr std::size_t kShortestPart = 4;

// Whether the word may be a plural, and its part without the "s" a part of a name.
bool IsPlural(std::string_view word);

// Whether the word is the start or the end of the name, ignoring case and a
// plural "s": what a modder writes who remembers half a name ("Speed" for
// "TopSpeed", "Gears" for "GearRatios", "resize" for "resize_field"). A word
// of fewer than four letters is part of too many names to tell anything.
bool IsPartOf(std::string_view word, std::string_view name);

// The names that the word was probably meant to be: the closest in spelling,
// else the few that it is a part of. None when the word is a name itself, or
// when it is a part of more than a few.
std::vector<std::string> MeantNames(std::string_view word, std::span<const std::string> names);

// "; did you mean 'A'?", "; did you mean 'A' or 'B'?"; empty for no names.
std::string DidYouMean(std::span<const std::string> meant);
// The names a message offers that way, read back: what an editor offers to
// put in the word's place.
std::vector<std::string> MeantInMessage(std::string_view message);

// The most names a part of a word is offered among.
inline constexpr std::size_t kMostPartMatches = 3;

}  // namespace vxmod

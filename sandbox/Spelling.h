#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// "Did you mean" for names that a person typed: a description's type names,
// and the command words and database names of scripts.
namespace rakor::Sandbox {

// The name among `known` that `word` was probably meant to be: one that
// differs only in case, else the closest in spelling (swapped neighbours count
// as one slip) when it is close enough to be a typing slip: one slip in a name
// of up to four characters, two up to eight, three beyond. Of equally close
// names the first is taken. Empty when none is close, or `word` is known.
std::optional<std::string> ClosestSpelling(std::string_view word,
                                           std::span<const std::string> known);

}  // namespace rakor::Sandbox

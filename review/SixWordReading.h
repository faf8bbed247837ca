#pragma once

#include <string>
#include <string_view>

namespace vxmod {

// Why a six-word update_field does not do what its quotes suggest: the same
// sentence whichever review finds it.
std::string SixWordReading(std::string_view member, std::string_view valueToken);

}  // namespace vxmod

#include "review/SixWordReading.h"

#include <fmt/format.h>

namespace vxmod {

std::string SixWordReading(std::string_view member, std::string_view valueToken) {
    std::string reading = fmt::format(
        "with six words the fourth ('{}') is read as a member name and the fifth "
        "('{}') as the value",
        member, valueToken);
    const bool quoted = member.find('"') != std::string_view::npos ||
                        valueToken.find('"') != std::string_view::npos;
    if (quoted) {
        reading += "; quotes do not group words, and a text cannot hold a blank";
    }
    return reading;
}

}  // namespace vxmod

#include "host/Utf16Text.h"

#include <cstddef>

namespace rakor {

bool LooksLikeUtf16(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return true;
    }
    const std::string_view start = text.substr(0, 512);
    const std::size_t pairs = start.size() / 2;
    if (pairs < 2) {
        return false;
    }
    std::size_t zerosFirst = 0;   // the high byte of a big-endian unit
    std::size_t zerosSecond = 0;  // the high byte of a little-endian unit
    for (std::size_t i = 0; i < pairs * 2; i += 2) {
        zerosFirst += start[i] == '\0' ? 1 : 0;
        zerosSecond += start[i + 1] == '\0' ? 1 : 0;
    }
    // Three units in four below U+0100, and at most one in sixteen a
    // character whose low byte is zero (U+0100, U+0200, ...).
    const auto oneSided = [pairs](std::size_t zeros, std::size_t others) {
        return zeros * 4 >= pairs * 3 && others * 16 <= pairs;
    };
    return oneSided(zerosSecond, zerosFirst) || oneSided(zerosFirst, zerosSecond);
}

}  // namespace rakor

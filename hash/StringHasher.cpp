#include "hash/StringHasher.h"

#include <limits>
#include <stdexcept>

#include "loader/HostApi.h"

namespace rakor::Attrib {

uint32_t StringHasher::HashText(const std::string& text) {
    if (text.starts_with("0x")) {
        const std::string digits = text.substr(2);
        const unsigned long long value = std::stoull(digits, nullptr, 16);
        if (value > std::numeric_limits<uint32_t>::max()) {
            throw std::out_of_range("hash '" + text + "' does not fit in 32 bits");
        }
        return static_cast<uint32_t>(value);
    }
    return Host::HashString32(text.c_str());
}

}  // namespace rakor::Attrib

#include "hash/StringHasher.h"

#include <limits>
#include <stdexcept>

#include "host/HostApi.h"

namespace rakor::Attrib {

uint32_t StringHasher::HashText(const std::string& text) {
    if (text.starts_with("0x")) {
        unsigned long long value = 0;
        try {
            value = std::stoull(text.substr(2), nullptr, 16);
        } catch (const std::invalid_argument&) {
            throw std::invalid_argument("hash '" + text + "' is not a hexadecimal number");
        } catch (const std::out_of_range&) {
            throw std::out_of_range("hash '" + text + "' does not fit in 32 bits");
        }
        if (value > std::numeric_limits<uint32_t>::max()) {
            throw std::out_of_range("hash '" + text + "' does not fit in 32 bits");
        }
        return static_cast<uint32_t>(value);
    }
    return Host::HashString32(text.c_str());
}

}  // namespace rakor::Attrib

#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

namespace rakor::autohash {

// The library's own 64-bit hash: 32-bit FNV-1a over every byte of the text
// (embedded NULs included), widened to 64 bits. There is no hexadecimal form.
template <typename Source, typename Value>
struct DefHasher {
    static Value HashText(std::string_view text) {
        uint32_t hash = 2166136261u;  // FNV-1a offset basis
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;  // FNV prime
        }
        return static_cast<Value>(hash);
    }
};

// 64-bit hashes are shown as bare lowercase hexadecimal; nothing is recorded.
template <typename Source, typename Value>
struct DefHashResolver {
    template <typename Hasher>
    static Value KeyOf(std::string_view text) {
        return Hasher::HashText(text);
    }
    static std::string Resolve(Value value) {
        std::ostringstream out;
        out << std::hex << value;
        return out.str();
    }
};

}  // namespace rakor::autohash

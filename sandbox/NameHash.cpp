#include "sandbox/NameHash.h"

#include <array>
#include <cstdio>
#include <unordered_map>
#include <utility>

namespace rakor::Sandbox {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

// Built at compile time, so hashing is safe at any point of static initialisation.
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Function-local so that it exists before the first static initialiser that
// hashes a name, whatever order the translation units are initialised in.
std::unordered_map<uint32_t, std::string>& RememberedNames() {
    static std::unordered_map<uint32_t, std::string> names;
    return names;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc = kCrcTable[(crc ^ static_cast<uint8_t>(ch)) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

uint32_t HashName(std::string_view name) {
    const uint32_t key = Crc32(name);
    // A colliding later name does not overwrite the first: what a key was
    // first printed as stays what it is printed as.
    RememberedNames().try_emplace(key, name);
    return key;
}

std::optional<std::string> NameOf(uint32_t key) {
    const auto& names = RememberedNames();
    if (const auto it = names.find(key); it != names.end()) {
        return it->second;
    }
    return std::nullopt;
}

std::string NameOrHex(uint32_t key) {
    if (auto name = NameOf(key)) {
        return *std::move(name);
    }
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(key));
    return text;
}

void ForgetNames() {
    RememberedNames().clear();
}

}  // namespace rakor::Sandbox

#include "sandbox/NameHash.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "sandbox/FlatMap.h"

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

// Every name the host hash was given, first come first kept: for a hash list
// of a million names, so compact and quick as a table of such size needs to be.
// Each name lies in a chunk as its length and then its bytes.
class NameMemory {
public:
    void Remember(uint32_t key, std::string_view name) {
        if (byKey_.contains(key)) {
            return;
        }
        const std::size_t bytes = sizeof(uint32_t) + name.size();
        if (bytes > left_) {
            const std::size_t size = std::max(bytes, kChunkSize);
            chunks_.emplace_back(new char[size]);
            next_ = chunks_.back().get();
            left_ = size;
        }
        const auto length = static_cast<uint32_t>(name.size());
        std::memcpy(next_, &length, sizeof length);
        if (!name.empty()) {
            std::memcpy(next_ + sizeof length, name.data(), name.size());
        }
        byKey_.try_emplace(key, next_);
        next_ += bytes;
        left_ -= bytes;
    }

    void Forget() {
        byKey_ = {};
        chunks_.clear();
        next_ = nullptr;
        left_ = 0;
    }

    std::optional<std::string> NameOf(uint32_t key) const {
        const auto it = byKey_.find(key);
        if (it == byKey_.end()) {
            return std::nullopt;
        }
        uint32_t length;
        std::memcpy(&length, it->second, sizeof length);
        return std::string(it->second + sizeof length, length);
    }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    FlatMap<uint32_t, const char*> byKey_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

// Function-local so that it exists before the first static initialiser that
// hashes a name, whatever order the translation units are initialised in.
NameMemory& RememberedNames() {
    static NameMemory names;
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
    RememberedNames().Remember(key, name);
    return key;
}

std::optional<std::string> NameOf(uint32_t key) {
    return RememberedNames().NameOf(key);
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
    RememberedNames().Forget();
}

}  // namespace rakor::Sandbox

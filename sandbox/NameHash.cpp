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

// Four tables for taking four bytes a step: table k gives the remainder of
// a byte followed by k zero bytes, so four lookups do the work of four rounds.
using CrcTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        tables[0][i] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

// Built at compile time, so hashing is safe at any point of static initialisation.
constexpr CrcTables kCrcTables = MakeCrcTables();

// Every name the host hash was given, first come first kept: for a hash list
// of a million names, so compact and quick as a table of such size needs to be.
// Each name lies in a chunk as its length and then its bytes.
//
// Names are only written down as they come; the table by key is brought up to
// date when a name is asked for, which most runs never do. So hashing a name
// appends to memory in order instead of probing a table of every name so far
// (one cache miss a name, in a table of a million). Names hashed again shortly
// after (a description names its fields in every collection) are noticed and
// written down once.
class NameMemory {
public:
    void Remember(uint32_t key, std::string_view name) {
        RecentKey& recent = recent_[key & (kRecentKeys - 1)];
        if (recent.filled && recent.key == key) {
            return;
        }
        recent = {.key = key, .filled = true};
        if (!byKey_.empty() && byKey_.contains(key)) {
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
        unsorted_.push_back({key, next_});
        next_ += bytes;
        left_ -= bytes;
    }

    void Forget() {
        byKey_ = {};
        unsorted_ = {};
        recent_ = {};
        chunks_.clear();
        next_ = nullptr;
        left_ = 0;
    }

    std::optional<std::string> NameOf(uint32_t key) {
        // In the order they were hashed: a later name of the same key (a
        // collision, or one written down twice) never replaces the first.
        for (const auto& [written, name] : unsorted_) {
            byKey_.try_emplace(written, name);
        }
        unsorted_ = {};
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
    static constexpr std::size_t kRecentKeys = 1024;

    struct RecentKey {
        uint32_t key = 0;
        bool filled = false;
    };

    FlatMap<uint32_t, const char*> byKey_;
    // Written down since the table was last brought up to date, in order.
    std::vector<std::pair<uint32_t, const char*>> unsorted_;
    std::array<RecentKey, kRecentKeys> recent_{};
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
    const auto* next = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    for (; left >= 4; left -= 4, next += 4) {
        crc ^= uint32_t{next[0]} | uint32_t{next[1]} << 8 | uint32_t{next[2]} << 16 |
               uint32_t{next[3]} << 24;
        crc = kCrcTables[3][crc & 0xFFu] ^ kCrcTables[2][(crc >> 8) & 0xFFu] ^
              kCrcTables[1][(crc >> 16) & 0xFFu] ^ kCrcTables[0][crc >> 24];
    }
    for (; left > 0; --left, ++next) {
        crc = kCrcTables[0][(crc ^ *next) & 0xFFu] ^ (crc >> 8);
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

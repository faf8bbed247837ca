#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/Hashes.h"

// Host storage of the key-valued field types, byte for byte as the host lays
// them out (little-endian, no gaps).
namespace rakor::Attrib {

// A name together with both of its hashes.
struct StringKey {
    Hash64 collision64;  // 0x00 "Collision64"
    Hash32 collision;    // 0x08 "Collision": the name's key
    char* visual;        // 0x0C "Visual": the name as text
};
static_assert(sizeof(StringKey) == 16);
static_assert(offsetof(StringKey, collision64) == 0x00);
static_assert(offsetof(StringKey, collision) == 0x08);
static_assert(offsetof(StringKey, visual) == 0x0C);

// A reference to a collection of some class.
struct RefSpec {
    Hash32 classKey;       // 0x00 "Class"
    Hash32 collectionKey;  // 0x04 "Collection"
    uint32_t opaque;       // 0x08 the host's; only ever copied along
};
static_assert(sizeof(RefSpec) == 12);
static_assert(offsetof(RefSpec, classKey) == 0x00);
static_assert(offsetof(RefSpec, collectionKey) == 0x04);
static_assert(offsetof(RefSpec, opaque) == 0x08);

}  // namespace rakor::Attrib

#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/Hashes.h"

// Host storage of the game's own structured field types, byte for byte as the
// game lays them out (little-endian, no gaps).
namespace rakor {

// A front/rear pair, one float per axle.
struct AxlePair {
    float front;  // 0x00 "Front"
    float rear;   // 0x04 "Rear"
};
static_assert(sizeof(AxlePair) == 8);
static_assert(offsetof(AxlePair, front) == 0x00);
static_assert(offsetof(AxlePair, rear) == 0x04);

// What the front end shows about a car part.
struct FECarPartInfo {
    int32_t level;  // 0x00 "Level"
    float rep;      // 0x04 "Rep"
    float cost;     // 0x08 "Cost"
};
static_assert(sizeof(FECarPartInfo) == 12);
static_assert(offsetof(FECarPartInfo, level) == 0x00);
static_assert(offsetof(FECarPartInfo, rep) == 0x04);
static_assert(offsetof(FECarPartInfo, cost) == 0x08);

// A modifier: which collection of which class it applies, and how strongly.
struct JunkmanMod {
    Attrib::Hash32 classKey;       // 0x00 "ClassKey"
    Attrib::Hash32 definitionKey;  // 0x04 "DefinitionKey"
    float scale;                   // 0x08 "Scale"
};
static_assert(sizeof(JunkmanMod) == 12);
static_assert(offsetof(JunkmanMod, classKey) == 0x00);
static_assert(offsetof(JunkmanMod, definitionKey) == 0x04);
static_assert(offsetof(JunkmanMod, scale) == 0x08);

namespace Attrib {

// The key of a collection: the hash of its name.
struct GCollectionKey {
    Hash32 key;  // 0x00
};
static_assert(sizeof(GCollectionKey) == 4);
static_assert(offsetof(GCollectionKey, key) == 0x00);

}  // namespace Attrib

}  // namespace rakor

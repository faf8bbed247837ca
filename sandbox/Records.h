#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(void*) == 4, "the game's records hold 32-bit pointers");

// The sandbox's records, laid out byte for byte as the game lays out its own,
// so that the library reads and writes them exactly as it does in the game.
// The library's view of these records is declared separately on its side;
// keeping the sandbox's own declaration lets the tests catch a wrong offset
// there instead of repeating it here. Words the game leaves unspecified hold
// sandbox bookkeeping (keys, sizes) that tools find handy when dumping memory.
namespace rakor::Sandbox {

struct ClassState;  // the per-class collection table behind a class's first word

inline constexpr uint8_t kArrayFlag = 0x02;

// One entry of a collection's own entry table.
struct OwnEntry {
    uint32_t key;      // 0x00 field key
    uint32_t value;    // 0x04 inline value, or the address of the value / array record
    uint8_t spare[3];  // 0x08
    uint8_t flags;     // 0x0B kArrayFlag
};
static_assert(sizeof(OwnEntry) == 12);
static_assert(offsetof(OwnEntry, key) == 0x00);
static_assert(offsetof(OwnEntry, value) == 0x04);
static_assert(offsetof(OwnEntry, flags) == 0x0B);

// One entry of a class's layout table.
struct LayoutEntry {
    uint32_t key;      // 0x00 field key
    uint32_t offset;   // 0x04 byte offset inside each collection's layout block
    uint8_t spare[3];  // 0x08
    uint8_t flags;     // 0x0B kArrayFlag
};
static_assert(sizeof(LayoutEntry) == 12);
static_assert(offsetof(LayoutEntry, key) == 0x00);
static_assert(offsetof(LayoutEntry, offset) == 0x04);
static_assert(offsetof(LayoutEntry, flags) == 0x0B);

// A class. The game's collection lookup takes the class's first word, not the
// class itself, so that word must lead to the class's collection table.
struct ClassRecord {
    ClassState* collectionTable;  // 0x00 what GetCollection takes
    uint32_t key;                 // 0x04 the class's own key
    uint32_t layoutSize;          // 0x08 bytes of every collection's layout block
    LayoutEntry* layout;          // 0x0C first layout entry
    uint32_t layoutCount;         // 0x10
};
static_assert(sizeof(ClassRecord) == 20);
static_assert(offsetof(ClassRecord, collectionTable) == 0x00);
static_assert(offsetof(ClassRecord, key) == 0x04);
static_assert(offsetof(ClassRecord, layoutSize) == 0x08);
static_assert(offsetof(ClassRecord, layout) == 0x0C);
static_assert(offsetof(ClassRecord, layoutCount) == 0x10);

// A collection: exactly the 36 bytes the library allocates for a new one.
struct CollectionRecord {
    OwnEntry* entries;         // 0x00 own entry table
    uint32_t entryCount;       // 0x04
    uint32_t key;              // 0x08 the collection's own key
    uint32_t spare0C;          // 0x0C
    CollectionRecord* parent;  // 0x10 null at the root
    ClassRecord* classObject;  // 0x14
    uint8_t* layoutBlock;      // 0x18 ClassRecord::layoutSize bytes, null when that is 0
    uint32_t spare1C[2];       // 0x1C
};
static_assert(sizeof(CollectionRecord) == 36);
static_assert(offsetof(CollectionRecord, entries) == 0x00);
static_assert(offsetof(CollectionRecord, entryCount) == 0x04);
static_assert(offsetof(CollectionRecord, key) == 0x08);
static_assert(offsetof(CollectionRecord, parent) == 0x10);
static_assert(offsetof(CollectionRecord, classObject) == 0x14);
static_assert(offsetof(CollectionRecord, layoutBlock) == 0x18);

// A field definition: the library reads only the type key, the second word.
struct FieldDefinition {
    uint32_t key;      // 0x00 field key
    uint32_t typeKey;  // 0x04 key of the field's type name
};
static_assert(sizeof(FieldDefinition) == 8);
static_assert(offsetof(FieldDefinition, key) == 0x00);
static_assert(offsetof(FieldDefinition, typeKey) == 0x04);

// The header of an array record; the elements follow it, packed.
struct ArrayHeader {
    uint16_t capacity;     // 0x00 element slots allocated
    uint16_t count;        // 0x02 elements in use
    uint16_t elementSize;  // 0x04 bytes per element; 0 stands for 4
    uint16_t opaque;       // 0x06 meaningless to the library, kept across a resize

    uint32_t ElementSize() const { return elementSize == 0 ? 4u : elementSize; }
    uint8_t* Elements() { return reinterpret_cast<uint8_t*>(this) + sizeof(ArrayHeader); }
    const uint8_t* Elements() const {
        return reinterpret_cast<const uint8_t*>(this) + sizeof(ArrayHeader);
    }
};
static_assert(sizeof(ArrayHeader) == 8);
static_assert(offsetof(ArrayHeader, capacity) == 0x00);
static_assert(offsetof(ArrayHeader, count) == 0x02);
static_assert(offsetof(ArrayHeader, elementSize) == 0x04);
static_assert(offsetof(ArrayHeader, opaque) == 0x06);

}  // namespace rakor::Sandbox

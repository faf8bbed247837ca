#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "host/HostCall.h"

// The host's attribute records, as far as the library reads and writes them in
// place. Words the library never touches are kept as padding so that every
// offset below is the host's own.
namespace rakor::Host {

inline constexpr uint8_t kEntryIsArray = 0x02;

// One entry of a collection's own entry table.
struct CollectionEntry {
    uint32_t key;       // 0x00 field key
    uint32_t value;     // 0x04 the value itself (inline) or the address of the value
    uint8_t unused[3];  // 0x08
    uint8_t flags;      // 0x0B kEntryIsArray
};
static_assert(sizeof(CollectionEntry) == 12);
static_assert(offsetof(CollectionEntry, value) == 0x04);
static_assert(offsetof(CollectionEntry, flags) == 0x0B);

// One entry of a class's layout table.
struct LayoutEntry {
    uint32_t key;       // 0x00 field key
    uint32_t offset;    // 0x04 byte offset inside a collection's layout block
    uint8_t unused[3];  // 0x08
    uint8_t flags;      // 0x0B kEntryIsArray
};
static_assert(sizeof(LayoutEntry) == 12);
static_assert(offsetof(LayoutEntry, offset) == 0x04);
static_assert(offsetof(LayoutEntry, flags) == 0x0B);

struct ClassRecord {
    void* collectionTable;  // 0x00 what the host's collection lookup takes
    uint32_t unused04[2];   // 0x04
    LayoutEntry* layout;    // 0x0C
    uint32_t layoutCount;   // 0x10

    std::span<LayoutEntry> LayoutEntries() const { return {layout, layoutCount}; }
};
static_assert(offsetof(ClassRecord, layout) == 0x0C);
static_assert(offsetof(ClassRecord, layoutCount) == 0x10);

struct CollectionRecord {
    CollectionEntry* entries;  // 0x00 own entry table
    uint32_t entryCount;       // 0x04
    uint32_t unused08[2];      // 0x08
    CollectionRecord* parent;  // 0x10 null at the root
    ClassRecord* classObject;  // 0x14
    uint8_t* layoutBlock;      // 0x18
    uint32_t unused1C[2];      // 0x1C

    std::span<CollectionEntry> OwnEntries() const { return {entries, entryCount}; }
};
static_assert(sizeof(CollectionRecord) == 36, "the size the host constructs a collection in");
static_assert(offsetof(CollectionRecord, entryCount) == 0x04);
static_assert(offsetof(CollectionRecord, parent) == 0x10);
static_assert(offsetof(CollectionRecord, classObject) == 0x14);
static_assert(offsetof(CollectionRecord, layoutBlock) == 0x18);

// A field definition: only its second word, the key of the field's type, is read.
struct FieldDefinition {
    uint32_t key;      // 0x00
    uint32_t typeKey;  // 0x04
};
static_assert(offsetof(FieldDefinition, typeKey) == 0x04);

// An array field's storage: an 8-byte header, then the elements packed.
struct ArrayHeader {
    uint16_t capacity;     // 0x00 element slots allocated
    uint16_t count;        // 0x02 elements in use
    uint16_t elementSize;  // 0x04 bytes per element; 0 stands for 4
    uint16_t opaque;       // 0x06 not interpreted; kept when the record is replaced

    uint32_t ElementSize() const { return elementSize == 0 ? 4u : elementSize; }
};
static_assert(sizeof(ArrayHeader) == 8);
static_assert(offsetof(ArrayHeader, count) == 0x02);
static_assert(offsetof(ArrayHeader, elementSize) == 0x04);

}  // namespace rakor::Host

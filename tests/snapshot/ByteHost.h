#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostCall.h"

// A host whose records are laid byte by byte, word by word at the offsets
// the game uses, with lookups of its own: built without the description
// loader and without the sandbox database, it can hold what the game may
// hold and no description builds (an entry table holding a key twice, null
// pointers, a field that is an array in one collection only, a parent in
// another class, parents in a loop, a count past readable memory).
//
// While it lives, the library's calls reach it (tests/support/RecordedHost.h).
namespace vexa::test {

class ByteHost {
public:
    ByteHost();
    ~ByteHost();
    ByteHost(const ByteHost&) = delete;
    ByteHost& operator=(const ByteHost&) = delete;

    // The game's hash of a name (the sandbox host's: vxmod must make the same keys).
    static uint32_t Key(std::string_view name);
    static uint32_t Word(const void* address);  // an address as the game's records hold it

    // `size` zero bytes that live as long as the host.
    uint8_t* Bytes(std::size_t size);
    uint8_t* Copy(const std::vector<uint8_t>& bytes);
    uint8_t* Text(std::string_view text);  // NUL-terminated
    // `size` bytes that end where readable memory ends: reading one byte past
    // them faults. Only where a fault can be caught (Windows); null elsewhere.
    uint8_t* AtEdgeOfMemory(std::size_t size);

    struct LayoutRow {
        uint32_t key;
        uint32_t offset;
        uint8_t flags = 0;  // 0x02: an array
    };
    struct EntryRow {
        uint32_t key;
        uint32_t word;  // the value, or the address of the value or array record
        uint8_t flags = 0;
    };

    // A class record (0x00 its collection table, 0x0C and 0x10 its layout
    // table) found by GetClass under `key`; its collections' layout blocks
    // are `layoutSize` bytes.
    uint8_t* AddClass(uint32_t key, uint32_t layoutSize, const std::vector<LayoutRow>& layout);
    // A field definition record (0x04 the type's key).
    void Define(uint8_t* cls, uint32_t field, std::string_view typeName);
    // A collection record (0x00 and 0x04 its entry table, 0x10 its parent,
    // 0x14 its class, 0x18 its layout block), found by GetCollection of its
    // class under `key`, unless `key` is 0 (a collection only a child's
    // parent word leads to).
    uint8_t* AddCollection(uint8_t* cls, uint32_t key, uint8_t* parent,
                           const std::vector<EntryRow>& entries,
                           const std::vector<uint8_t>& layoutBlock = {});
    // An entry table laid where the caller says (at the edge of memory, say).
    static void LayEntries(uint8_t* table, const std::vector<EntryRow>& entries);
    // An array record: header (capacity, count, element size, the word at
    // 0x06), then `elements`, which should fill the capacity's slots.
    uint8_t* Array(uint16_t capacity, uint16_t count, uint16_t elementSize, uint16_t word06,
                   const std::vector<uint8_t>& elements);

    // The host's own: for its operations.
    void* Database() const { return instanceWord_; }
    void* ClassOfTable(const void* table) const;
    uint8_t* FindCollection(const void* table, uint32_t key) const;
    const uint8_t* FindDefinition(const void* cls, uint32_t field) const;
    void Construct(uint8_t* memory, uint8_t* cls, uint8_t* parent, uint32_t key);
    uint8_t* FindClass(uint32_t key) const;

private:
    struct ClassState {
        uint32_t layoutSize = 0;
        std::map<uint32_t, uint8_t*> collections;
        std::map<uint32_t, uint8_t*> definitions;
    };

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::vector<void*> pages_;
    std::vector<uint8_t*> given_;  // collections the library handed over
    std::map<uint32_t, uint8_t*> classes_;
    std::map<const void*, ClassState> states_;  // by class record
    std::map<const void*, uint8_t*> tables_;    // collection table to class record
    void* instanceWord_ = nullptr;
};

}  // namespace vexa::test

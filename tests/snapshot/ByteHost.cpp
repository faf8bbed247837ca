// HostOperations.h first: it brings in the host call types with the
// thiscall warning silenced.
#include "sandbox/HostOperations.h"

#include "ByteHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "sandbox/NameHash.h"
#include "support/RecordedHost.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace vexa::test {
namespace {

ByteHost* gLive = nullptr;

void Put32(uint8_t* at, uint32_t word) {
    std::memcpy(at, &word, 4);
}
void Put16(uint8_t* at, uint16_t word) {
    std::memcpy(at, &word, 2);
}
uint32_t Get32(const uint8_t* at) {
    uint32_t word = 0;
    std::memcpy(&word, at, 4);
    return word;
}
uint8_t* At(uint32_t word) {
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(word));
}

// The host's operations, with the game's conventions.
void HOST_THISCALL ReplacedRoutine(void*) {}

void* HOST_THISCALL GetClass(void* database, uint32_t key) {
    return gLive != nullptr && database == gLive->Database() ? gLive->FindClass(key) : nullptr;
}

void* HOST_CDECL GetCollection(void* table, uint32_t key) {
    return gLive->FindCollection(table, key);
}

void* HOST_THISCALL GetFieldDefinition(void* cls, uint32_t field) {
    return const_cast<uint8_t*>(gLive->FindDefinition(cls, field));
}

void* HOST_THISCALL ConstructCollection(void* memory, void* cls, void* parent, uint32_t key,
                                        uint32_t /*zero*/) {
    gLive->Construct(static_cast<uint8_t*>(memory), static_cast<uint8_t*>(cls),
                     static_cast<uint8_t*>(parent), key);
    return memory;
}

void* HOST_THISCALL GetArrayElement(void* array, uint32_t index) {
    const auto* record = static_cast<const uint8_t*>(array);
    uint16_t count = 0;
    uint16_t size = 0;
    std::memcpy(&count, record + 2, 2);
    std::memcpy(&size, record + 4, 2);
    return index < count ? static_cast<uint8_t*>(array) + 8 + index * (size == 0 ? 4u : size)
                         : nullptr;
}

uint32_t HOST_CDECL HashString32(const char* text) {
    return ByteHost::Key(text == nullptr ? "" : text);
}

}  // namespace

ByteHost::ByteHost() {
    instanceWord_ = Bytes(16);
    gLive = this;
    UseHost({.replacedRoutine = &ReplacedRoutine,
             .databaseInstanceWord = &instanceWord_,
             .getClass = &GetClass,
             .getCollection = &GetCollection,
             .getFieldDefinition = &GetFieldDefinition,
             .constructCollection = &ConstructCollection,
             .getArrayElement = &GetArrayElement,
             .hashString32 = &HashString32});
}

ByteHost::~ByteHost() {
    UseSandboxHost();
    gLive = nullptr;
    // The collections the library had the host construct are the host's.
    for (uint8_t* memory : given_) {
        std::free(memory);
    }
#if defined(_WIN32)
    for (void* pages : pages_) {
        VirtualFree(pages, 0, MEM_RELEASE);
    }
#endif
}

uint32_t ByteHost::Key(std::string_view name) {
    return rakor::Sandbox::HashName(name);
}

uint32_t ByteHost::Word(const void* address) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address));
}

uint8_t* ByteHost::Bytes(std::size_t size) {
    blocks_.push_back(std::make_unique<uint8_t[]>(size == 0 ? 1 : size));
    return blocks_.back().get();
}

uint8_t* ByteHost::Copy(const std::vector<uint8_t>& bytes) {
    uint8_t* block = Bytes(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block);
    return block;
}

uint8_t* ByteHost::Text(std::string_view text) {
    uint8_t* block = Bytes(text.size() + 1);
    std::copy(text.begin(), text.end(), block);
    return block;
}

uint8_t* ByteHost::AtEdgeOfMemory([[maybe_unused]] std::size_t size) {
#if defined(_WIN32)
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    void* pages = VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    VirtualProtect(static_cast<uint8_t*>(pages) + page, page, PAGE_NOACCESS, &old);
    pages_.push_back(pages);
    return static_cast<uint8_t*>(pages) + page - size;
#else
    return nullptr;
#endif
}

uint8_t* ByteHost::AddClass(uint32_t key, uint32_t layoutSize,
                            const std::vector<LayoutRow>& layout) {
    uint8_t* const cls = Bytes(20);
    uint8_t* const table = Bytes(4);
    uint8_t* const rows = Bytes(12 * layout.size());
    for (std::size_t i = 0; i < layout.size(); ++i) {
        Put32(rows + 12 * i, layout[i].key);
        Put32(rows + 12 * i + 4, layout[i].offset);
        rows[12 * i + 11] = layout[i].flags;
    }
    Put32(cls + 0x00, Word(table));
    Put32(cls + 0x0C, Word(rows));
    Put32(cls + 0x10, static_cast<uint32_t>(layout.size()));
    classes_[key] = cls;
    states_[cls].layoutSize = layoutSize;
    tables_[table] = cls;
    return cls;
}

void ByteHost::Define(uint8_t* cls, uint32_t field, std::string_view typeName) {
    uint8_t* const definition = Bytes(8);
    Put32(definition, field);
    Put32(definition + 4, Key(typeName));
    states_.at(cls).definitions[field] = definition;
}

void ByteHost::LayEntries(uint8_t* table, const std::vector<EntryRow>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Put32(table + 12 * i, entries[i].key);
        Put32(table + 12 * i + 4, entries[i].word);
        table[12 * i + 11] = entries[i].flags;
    }
}

uint8_t* ByteHost::AddCollection(uint8_t* cls, uint32_t key, uint8_t* parent,
                                 const std::vector<EntryRow>& entries,
                                 const std::vector<uint8_t>& layoutBlock) {
    ClassState& state = states_.at(cls);
    uint8_t* const record = Bytes(36);
    uint8_t* const table = Bytes(12 * entries.size());
    LayEntries(table, entries);
    uint8_t* block = nullptr;
    if (state.layoutSize != 0) {
        block = Bytes(state.layoutSize);
        std::copy_n(layoutBlock.begin(),
                    std::min<std::size_t>(layoutBlock.size(), state.layoutSize), block);
    }
    Put32(record + 0x00, Word(table));
    Put32(record + 0x04, static_cast<uint32_t>(entries.size()));
    Put32(record + 0x10, Word(parent));
    Put32(record + 0x14, Word(cls));
    Put32(record + 0x18, Word(block));
    if (key != 0) {
        state.collections[key] = record;
    }
    return record;
}

uint8_t* ByteHost::Array(uint16_t capacity, uint16_t count, uint16_t elementSize, uint16_t word06,
                         const std::vector<uint8_t>& elements) {
    uint8_t* const record = Bytes(8 + elements.size());
    Put16(record, capacity);
    Put16(record + 2, count);
    Put16(record + 4, elementSize);
    Put16(record + 6, word06);
    std::copy(elements.begin(), elements.end(), record + 8);
    return record;
}

void* ByteHost::ClassOfTable(const void* table) const {
    const auto found = tables_.find(table);
    return found == tables_.end() ? nullptr : found->second;
}

uint8_t* ByteHost::FindClass(uint32_t key) const {
    const auto found = classes_.find(key);
    return found == classes_.end() ? nullptr : found->second;
}

uint8_t* ByteHost::FindCollection(const void* table, uint32_t key) const {
    const void* cls = ClassOfTable(table);
    if (cls == nullptr) {
        throw std::logic_error("GetCollection was given no class's collection table");
    }
    const auto& collections = states_.at(cls).collections;
    const auto found = collections.find(key);
    return found == collections.end() ? nullptr : found->second;
}

const uint8_t* ByteHost::FindDefinition(const void* cls, uint32_t field) const {
    const auto state = states_.find(cls);
    if (state == states_.end()) {
        return nullptr;
    }
    const auto found = state->second.definitions.find(field);
    return found == state->second.definitions.end() ? nullptr : found->second;
}

// As the game constructs a collection the library asks for: no entries, the
// parent's layout values, and the key taken over in lookups.
void ByteHost::Construct(uint8_t* memory, uint8_t* cls, uint8_t* parent, uint32_t key) {
    ClassState& state = states_.at(cls);
    uint8_t* block = nullptr;
    if (state.layoutSize != 0) {
        block = Bytes(state.layoutSize);
        if (parent != nullptr && Get32(parent + 0x14) == Word(cls)) {
            std::memcpy(block, At(Get32(parent + 0x18)), state.layoutSize);
        }
    }
    given_.push_back(memory);
    Put32(memory + 0x10, Word(parent));
    Put32(memory + 0x14, Word(cls));
    Put32(memory + 0x18, Word(block));
    state.collections[key] = memory;
}

}  // namespace vexa::test

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

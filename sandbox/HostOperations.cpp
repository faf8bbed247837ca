#include "sandbox/HostOperations.h"

#include <type_traits>

#include "sandbox/Database.h"
#include "sandbox/NameHash.h"
#include "sandbox/Records.h"

// See HostOperations.h: the thiscall definitions below draw the same warning.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace rakor::Sandbox::Ops {

// Constant-initialised: valid before any static initialiser runs.
void* databaseInstance = nullptr;

static_assert(std::is_same_v<decltype(&ReplacedRoutine), Host::ReplacedRoutineFn>);
static_assert(std::is_same_v<decltype(&GetClass), Host::GetClassFn>);
static_assert(std::is_same_v<decltype(&GetCollection), Host::GetCollectionFn>);
static_assert(std::is_same_v<decltype(&GetFieldDefinition), Host::GetFieldDefinitionFn>);
static_assert(std::is_same_v<decltype(&ConstructCollection), Host::ConstructCollectionFn>);
static_assert(std::is_same_v<decltype(&GetArrayElement), Host::GetArrayElementFn>);
static_assert(std::is_same_v<decltype(&HashString32), Host::HashString32Fn>);

void HOST_THISCALL ReplacedRoutine(void*) {}

void* HOST_THISCALL GetClass(void* database, uint32_t classKey) {
    Database* live = Database::Current();
    if (live == nullptr || database != live) {
        return nullptr;
    }
    return live->HostGetClass(classKey);
}

void* HOST_CDECL GetCollection(void* classTable, uint32_t collectionKey) {
    Database* live = Database::Current();
    return live == nullptr ? nullptr : live->HostGetCollection(classTable, collectionKey);
}

void* HOST_THISCALL GetFieldDefinition(void* classObject, uint32_t fieldKey) {
    Database* live = Database::Current();
    return live == nullptr ? nullptr : live->HostGetFieldDefinition(classObject, fieldKey);
}

void* HOST_THISCALL ConstructCollection(void* memory, void* classObject, void* parent, uint32_t key,
                                        uint32_t zero) {
    if (Database* live = Database::Current()) {
        live->HostConstructCollection(memory, classObject, parent, key, zero);
    }
    // Like a constructor, the game's returns its this-object.
    return memory;
}

void* HOST_THISCALL GetArrayElement(void* array, uint32_t index) {
    auto* header = static_cast<ArrayHeader*>(array);
    // The count, not the capacity, bounds the array: slots beyond it hold no element.
    if (header == nullptr || index >= header->count) {
        return nullptr;
    }
    return header->Elements() + index * header->ElementSize();
}

uint32_t HOST_CDECL HashString32(const char* text) {
    return text == nullptr ? HashName("") : HashName(text);
}

}  // namespace rakor::Sandbox::Ops

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

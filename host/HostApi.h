#pragma once

#include <cstddef>
#include <cstdint>

#include "host/HostCall.h"

// The library's only way into the host's attribute database: the host's own
// operations, called with the host's conventions through whichever backend
// the binary is linked with. Records are read in place (host/HostRecords.h).
namespace rakor::Host {

// The database object; the host's instance word is read anew at every use.
void* DatabaseInstance();
// Null when the database has no such class.
void* GetClass(void* database, uint32_t classKey);
// Null when the class has no such collection.
void* GetCollection(void* classObject, uint32_t collectionKey);
// The field's definition record (its second word is the type key), or null.
void* GetFieldDefinition(void* classObject, uint32_t fieldKey);
// Builds a collection in 36 zeroed bytes that the caller allocated; from then
// on the memory belongs to the host.
void ConstructCollection(void* memory, void* classObject, void* parent, uint32_t key);
// Address of element `index` of an array record, or null outside the array.
void* GetArrayElement(void* array, uint32_t index);
uint32_t HashString32(const char* text);
// The routine whose call the loader's patch replaces. The hook enters it
// itself, with the registers and stack the host's call set up.
uintptr_t ReplacedRoutineAddress();

// How many of the operations above are running now, on the one thread that
// runs scripts. A fault handler tells by it whether a fault lies in the
// host's own code or in the library's.
uint32_t HostCallDepth();

inline constexpr std::size_t kCollectionObjectSize = 36;

}  // namespace rakor::Host

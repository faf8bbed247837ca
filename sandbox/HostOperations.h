#pragma once

#include <cstdint>

// GCC in strict mode warns that thiscall is meant for class methods, yet it
// gives free functions and pointers to them the convention all the same,
// which is exactly what stands in for the game's member functions here.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

#include "host/HostCall.h"

// The sandbox host's eight operations, with the very signatures and calling
// conventions of the game's own (thiscall where the game passes a
// this-object, cdecl otherwise), so that the library's calls through its
// function pointers exercise the same argument passing as in the game.
namespace rakor::Sandbox::Ops {

// The host's database instance word: the live Database, or null. Read anew
// by the library at every use, as it reads the game's.
extern void* databaseInstance;

// The routine whose call the loader takes over: the sandbox has nothing to
// do in it.
void HOST_THISCALL ReplacedRoutine(void* self);

// Null when `database` is not the live database or it has no such class.
void* HOST_THISCALL GetClass(void* database, uint32_t classKey);
// Takes the class's first word. Null when the class has no such collection.
void* HOST_CDECL GetCollection(void* classTable, uint32_t collectionKey);
void* HOST_THISCALL GetFieldDefinition(void* classObject, uint32_t fieldKey);
// Builds a collection in the 36 zero bytes at `memory` and takes the memory
// over. A key the class already has passes to the new collection.
void* HOST_THISCALL ConstructCollection(void* memory, void* classObject, void* parent, uint32_t key,
                                        uint32_t zero);
// Null for an index at or beyond the record's count.
void* HOST_THISCALL GetArrayElement(void* array, uint32_t index);
// CRC-32 of the name; works without a database and remembers the name.
uint32_t HOST_CDECL HashString32(const char* text);

// The library's entry points into the sandbox host; a program that stands in
// for the game with another string hash passes its own.
inline Host::EntryPoints SandboxEntryPoints(Host::HashString32Fn hashString32 = &HashString32) {
    return {
        .replacedRoutine = &ReplacedRoutine,
        .databaseInstanceWord = &databaseInstance,
        .getClass = &GetClass,
        .getCollection = &GetCollection,
        .getFieldDefinition = &GetFieldDefinition,
        .constructCollection = &ConstructCollection,
        .getArrayElement = &GetArrayElement,
        .hashString32 = hashString32,
    };
}

}  // namespace rakor::Sandbox::Ops

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#pragma once

#include <cstdint>

// The host is a 32-bit program; its records hold 32-bit pointers and its
// functions use the 32-bit x86 calling conventions.
static_assert(sizeof(void*) == 4,
              "The loader is 32-bit only: build it with the linux-i386 or windows-i686 preset.");

// The host's member functions take their this-object in ECX (thiscall). GCC and
// MinGW spell it as an attribute; one declaration of a host function pointer
// type then serves the game and the sandbox host alike.
#define HOST_THISCALL __attribute__((thiscall))
#define HOST_CDECL __attribute__((cdecl))

// GCC applies thiscall to free functions and function pointers (the this-object
// goes to ECX) but warns that it is meant for members; here that is the point.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace rakor::Host {

// Signatures of the host's database operations, with the conventions the
// host's code uses: thiscall where an operation has a this-object, cdecl
// otherwise. The sandbox host implements its operations with these very types.
using ReplacedRoutineFn = void(HOST_THISCALL*)(void* self);
using GetClassFn = void*(HOST_THISCALL*)(void* database, uint32_t classKey);
using GetCollectionFn = void*(HOST_CDECL*)(void* classTable, uint32_t collectionKey);
using GetFieldDefinitionFn = void*(HOST_THISCALL*)(void* classObject, uint32_t fieldKey);
using ConstructCollectionFn = void*(HOST_THISCALL*)(void* memory, void* classObject, void* parent,
                                                    uint32_t key, uint32_t zero);
using GetArrayElementFn = void*(HOST_THISCALL*)(void* array, uint32_t index);
using HashString32Fn = uint32_t(HOST_CDECL*)(const char* text);

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Where the host's operations are. Each backend (the game's fixed addresses,
// the sandbox host) defines GetEntryPoints(); which one a binary has is decided
// when it is linked, so calls made during static initialisation already reach
// the right host.
struct EntryPoints {
    ReplacedRoutineFn replacedRoutine;
    void* const* databaseInstanceWord;
    GetClassFn getClass;
    GetCollectionFn getCollection;
    GetFieldDefinitionFn getFieldDefinition;
    ConstructCollectionFn constructCollection;
    GetArrayElementFn getArrayElement;
    HashString32Fn hashString32;
};

const EntryPoints& GetEntryPoints();

}  // namespace rakor::Host

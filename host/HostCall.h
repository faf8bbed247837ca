#pragma once

#include <cstdint>

// The host is a 32-bit program; its records hold 32-bit pointers and its
// functions use the 32-bit x86 calling conventions.
static_assert(sizeof(void*) == 4,
              "The loader is 32-bit only: build it with the linux-i386 or windows-i686 preset.");

// The host's member functions take their this-object in ECX (thiscall) and
// the rest on the stack, which they pop themselves.
//
// GCC and MinGW put thiscall on free functions and function pointers, so one
// declaration of a host function pointer type serves the game and the sandbox
// host alike. MSVC gives thiscall to member functions only; its fastcall
// passes the first two words in ECX and EDX and the rest on the stack, popped
// by the callee, so fastcall with an unused second word (HOST_EDX in a
// parameter list, HOST_PASS_EDX in a call) is the same convention.
//
// HOST_REALIGN_STACK: for functions the game's code calls directly. The game
// keeps its stack only 4-byte aligned while GCC's 32-bit code assumes 16, so
// such a function realigns the stack on entry. MSVC's code assumes only 4.
#if defined(_MSC_VER) && !defined(__clang__)
#define HOST_THISCALL __fastcall
#define HOST_CDECL __cdecl
#define HOST_EDX , void*
#define HOST_PASS_EDX , nullptr
#define HOST_REALIGN_STACK
#else
#define HOST_THISCALL __attribute__((thiscall))
#define HOST_CDECL __attribute__((cdecl))
#define HOST_EDX
#define HOST_PASS_EDX
#define HOST_REALIGN_STACK __attribute__((force_align_arg_pointer))
#endif

// GCC applies thiscall to free functions and function pointers (the this-object
// goes to ECX) but warns that it is meant for members; here that is the point.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace rakor::Host {

// Signatures of the host's database operations, with the conventions the
// host's code uses: thiscall where an operation has a this-object. The two
// without one are declared cdecl, as the sandbox host implements them, but
// are called so that a host function popping its own arguments works as well
// (host/EitherConventionCall.h). The sandbox host implements its operations
// with these very types.
using ReplacedRoutineFn = void(HOST_THISCALL*)(void* self HOST_EDX);
using GetClassFn = void*(HOST_THISCALL*)(void* database HOST_EDX, uint32_t classKey);
using GetCollectionFn = void*(HOST_CDECL*)(void* classTable, uint32_t collectionKey);
using GetFieldDefinitionFn = void*(HOST_THISCALL*)(void* classObject HOST_EDX, uint32_t fieldKey);
using ConstructCollectionFn = void*(HOST_THISCALL*)(void* memory HOST_EDX, void* classObject,
                                                    void* parent, uint32_t key, uint32_t zero);
using GetArrayElementFn = void*(HOST_THISCALL*)(void* array HOST_EDX, uint32_t index);
using HashString32Fn = uint32_t(HOST_CDECL*)(const char* text);

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Where the host's operations are. Each backend (the game's fixed addresses,
// the sandbox host) defines GetEntryPoints(); which one a binary has is decided
// when it is linked. Inside the game nothing may call them before the loader
// has checked the game's code (loader/CodePatches.cpp), so no static object of
// the library calls the host.
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

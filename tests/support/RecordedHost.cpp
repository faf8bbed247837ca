// The library's entry points for test programs that note or redirect the
// library's calls into the host. HostOperations.h first: it brings in the
// host call types with the thiscall warning silenced.
#include "sandbox/HostOperations.h"

#include <cstring>

#include "sandbox/NameHash.h"
#include "support/RecordedHost.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace vexa::test {
namespace {

using rakor::Host::EntryPoints;

// Function-local: the library hashes its type names while the program's
// static objects are made, in whatever order.
EntryPoints& Target() {
    static EntryPoints target = rakor::Sandbox::Ops::SandboxEntryPoints();
    return target;
}

bool gNoting = false;
std::vector<HostCall>& Calls() {
    static std::vector<HostCall> calls;
    return calls;
}

void Note(const char* operation, uint64_t argument) {
    if (gNoting) {
        Calls().push_back({operation, argument});
    }
}

void HOST_THISCALL ReplacedRoutine(void* self) {
    Target().replacedRoutine(self);
}
void* HOST_THISCALL GetClass(void* database, uint32_t key) {
    Note("GetClass", key);
    return Target().getClass(database, key);
}
void* HOST_CDECL GetCollection(void* table, uint32_t key) {
    Note("GetCollection", key);
    return Target().getCollection(table, key);
}
void* HOST_THISCALL GetFieldDefinition(void* cls, uint32_t key) {
    Note("GetFieldDefinition", key);
    return Target().getFieldDefinition(cls, key);
}
void* HOST_THISCALL ConstructCollection(void* memory, void* cls, void* parent, uint32_t key,
                                        uint32_t zero) {
    Note("ConstructCollection", key);
    return Target().constructCollection(memory, cls, parent, key, zero);
}
void* HOST_THISCALL GetArrayElement(void* array, uint32_t index) {
    Note("GetArrayElement", index);
    return Target().getArrayElement(array, index);
}
uint32_t HOST_CDECL HashString32(const char* text) {
    Note("HashString32", rakor::Sandbox::Crc32(text == nullptr ? "" : text));
    return Target().hashString32(text);
}

// What the library calls: the functions above, and the target's instance word.
EntryPoints& Points() {
    static EntryPoints points{
        .replacedRoutine = &ReplacedRoutine,
        .databaseInstanceWord = Target().databaseInstanceWord,
        .getClass = &GetClass,
        .getCollection = &GetCollection,
        .getFieldDefinition = &GetFieldDefinition,
        .constructCollection = &ConstructCollection,
        .getArrayElement = &GetArrayElement,
        .hashString32 = &HashString32,
    };
    return points;
}

}  // namespace

void UseHost(const EntryPoints& host) {
    Target() = host;
    Points().databaseInstanceWord = host.databaseInstanceWord;
}

void UseSandboxHost() {
    UseHost(rakor::Sandbox::Ops::SandboxEntryPoints());
}

void StartNotingCalls() {
    Calls().clear();
    gNoting = true;
}

std::vector<HostCall> StopNotingCalls() {
    gNoting = false;
    return std::move(Calls());
}

EntryPoints& EntryPointsForLibrary() {
    return Points();
}

}  // namespace vexa::test

namespace rakor::Host {

const EntryPoints& GetEntryPoints() {
    return vexa::test::EntryPointsForLibrary();
}

}  // namespace rakor::Host

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The game backend: the host's operations at their fixed addresses in the
// game's 32-bit image. Linked only into the Windows loader DLL.
#include <cstdint>

#include "host/HostCall.h"

namespace rakor::Host {
namespace {

template <typename T>
T At(uintptr_t address) {
    return reinterpret_cast<T>(address);
}

}  // namespace

const EntryPoints& GetEntryPoints() {
    static const EntryPoints points{
        .replacedRoutine = At<ReplacedRoutineFn>(0x664780),
        .databaseInstanceWord = At<void* const*>(0x90DCBC),
        .getClass = At<GetClassFn>(0x455BC0),
        .getCollection = At<GetCollectionFn>(0x455FD0),
        .getFieldDefinition = At<GetFieldDefinitionFn>(0x457380),
        .constructCollection = At<ConstructCollectionFn>(0x458C10),
        .getArrayElement = At<GetArrayElementFn>(0x453890),
        .hashString32 = At<HashString32Fn>(0x5CC240),
    };
    return points;
}

}  // namespace rakor::Host

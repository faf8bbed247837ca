// The game backend: the host's operations at their fixed addresses in the
// game's 32-bit image. Linked only into the Windows loader DLL.
#include <cstdint>

#include "host/GameAddresses.h"
#include "host/HostCall.h"

namespace rakor::Host {
namespace {

template <typename T>
T At(uintptr_t address) {
    return reinterpret_cast<T>(address);
}

}  // namespace

const EntryPoints& GetEntryPoints() {
    using namespace GameAddress;
    static const EntryPoints points{
        .replacedRoutine = At<ReplacedRoutineFn>(kReplacedRoutine),
        .databaseInstanceWord = At<void* const*>(kDatabaseInstanceWord),
        .getClass = At<GetClassFn>(kGetClass),
        .getCollection = At<GetCollectionFn>(kGetCollection),
        .getFieldDefinition = At<GetFieldDefinitionFn>(kGetFieldDefinition),
        .constructCollection = At<ConstructCollectionFn>(kConstructCollection),
        .getArrayElement = At<GetArrayElementFn>(kGetArrayElement),
        .hashString32 = At<HashString32Fn>(kHashString32),
    };
    return points;
}

}  // namespace rakor::Host

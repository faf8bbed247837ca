#include "host/HostApi.h"

#include <atomic>

#include "host/EitherConventionCall.h"

namespace rakor::Host {
namespace {

uint32_t gHostCallDepth = 0;

// Marks a call into the host's code for as long as it runs. A fault handler
// reads the mark on this thread, in the middle of whatever the thread was
// doing: the fences keep the library's own reads of host records (through
// pointers the host handed out) from being moved inside the mark.
class InsideHost {
public:
    InsideHost() noexcept {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        ++gHostCallDepth;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    ~InsideHost() {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        --gHostCallDepth;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    InsideHost(const InsideHost&) = delete;
    InsideHost& operator=(const InsideHost&) = delete;
};

template <typename Function>
uintptr_t AddressOf(Function function) {
    return reinterpret_cast<uintptr_t>(function);
}

}  // namespace

void* DatabaseInstance() {
    return *GetEntryPoints().databaseInstanceWord;
}

void* GetClass(void* database, uint32_t classKey) {
    const InsideHost inside;
    return GetEntryPoints().getClass(database HOST_PASS_EDX, classKey);
}

void* GetCollection(void* classObject, uint32_t collectionKey) {
    // The host's lookup takes the class object's first word, not the object.
    void* const classTable = *static_cast<void* const*>(classObject);
    const InsideHost inside;
    return reinterpret_cast<void*>(CallEitherConvention(AddressOf(GetEntryPoints().getCollection),
                                                        reinterpret_cast<uintptr_t>(classTable),
                                                        collectionKey));
}

void* GetFieldDefinition(void* classObject, uint32_t fieldKey) {
    const InsideHost inside;
    return GetEntryPoints().getFieldDefinition(classObject HOST_PASS_EDX, fieldKey);
}

void ConstructCollection(void* memory, void* classObject, void* parent, uint32_t key) {
    const InsideHost inside;
    GetEntryPoints().constructCollection(memory HOST_PASS_EDX, classObject, parent, key, 0);
}

void* GetArrayElement(void* array, uint32_t index) {
    const InsideHost inside;
    return GetEntryPoints().getArrayElement(array HOST_PASS_EDX, index);
}

uint32_t HashString32(const char* text) {
    const InsideHost inside;
    return CallEitherConvention(AddressOf(GetEntryPoints().hashString32),
                                reinterpret_cast<uintptr_t>(text), 0);
}

uintptr_t ReplacedRoutineAddress() {
    return AddressOf(GetEntryPoints().replacedRoutine);
}

uint32_t HostCallDepth() {
    return gHostCallDepth;
}

}  // namespace rakor::Host

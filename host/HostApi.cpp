#include "host/HostApi.h"

namespace rakor::Host {

void* DatabaseInstance() {
    return *GetEntryPoints().databaseInstanceWord;
}

void* GetClass(void* database, uint32_t classKey) {
    return GetEntryPoints().getClass(database HOST_PASS_EDX, classKey);
}

void* GetCollection(void* classObject, uint32_t collectionKey) {
    // The host's lookup takes the class object's first word, not the object.
    void* const classTable = *static_cast<void* const*>(classObject);
    return GetEntryPoints().getCollection(classTable, collectionKey);
}

void* GetFieldDefinition(void* classObject, uint32_t fieldKey) {
    return GetEntryPoints().getFieldDefinition(classObject HOST_PASS_EDX, fieldKey);
}

void ConstructCollection(void* memory, void* classObject, void* parent, uint32_t key) {
    GetEntryPoints().constructCollection(memory HOST_PASS_EDX, classObject, parent, key, 0);
}

void* GetArrayElement(void* array, uint32_t index) {
    return GetEntryPoints().getArrayElement(array HOST_PASS_EDX, index);
}

uint32_t HashString32(const char* text) {
    return GetEntryPoints().hashString32(text);
}

void CallReplacedRoutine(void* self) {
    GetEntryPoints().replacedRoutine(self HOST_PASS_EDX);
}

}  // namespace rakor::Host

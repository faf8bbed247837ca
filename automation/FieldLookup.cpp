#include "automation/FieldLookup.h"

#include <cstdint>
#include <span>
#include <utility>

#include "host/HostApi.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {
namespace {

template <typename T>
T* AddressOf(uint32_t word) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(word));
}

}  // namespace

namespace {

// The type key, and whether the class defines the field.
std::pair<Hash32, bool> FieldDefinitionOf(Host::ClassRecord* classObject, Hash32 fieldKey) {
    const auto* definition = static_cast<const Host::FieldDefinition*>(
        Host::GetFieldDefinition(classObject, fieldKey.GetValue()));
    return definition != nullptr ? std::pair(Hash32(definition->typeKey), true)
                                 : std::pair(Hash32(""), false);
}

}  // namespace

Hash32 FieldTypeKey(Host::ClassRecord* classObject, Hash32 fieldKey) {
    return FieldDefinitionOf(classObject, fieldKey).first;
}

std::shared_ptr<IAttribType> FindFieldType(Host::ClassRecord* classObject, Hash32 fieldKey) {
    return AttribTypeRegistry::Instance().FindType(FieldTypeKey(classObject, fieldKey));
}

FieldLocation LocateField(Host::CollectionRecord* collection, Hash32 fieldKey) {
    // A collection and its parents normally share one class, whose field
    // definition is then looked up once, not once a level.
    Host::ClassRecord* typeClass = nullptr;
    const IAttribType* type = nullptr;
    Hash32 ownTypeKey;
    bool ownDefined = false;
    for (Host::CollectionRecord* owner = collection; owner != nullptr; owner = owner->parent) {
        const bool classChanged = owner == collection || owner->classObject != typeClass;
        if (classChanged) {
            typeClass = owner->classObject;
            const auto [typeKey, defined] = FieldDefinitionOf(typeClass, fieldKey);
            type = AttribTypeRegistry::Instance().TypeOf(typeKey);
            if (owner == collection) {
                ownTypeKey = typeKey;
                ownDefined = defined;
            }
        }
        if (!type) {
            // A field of a type the library does not know is never touched.
            // In an ancestor whose class gives no type, the field may still be
            // held further up, by an ancestor whose class knows it.
            if (owner == collection) {
                return {.typeKey = ownTypeKey, .defined = ownDefined};
            }
            continue;
        }
        // The layout table is the class's: a parent of the class just
        // searched has the field in its layout no more than the child had.
        const std::span<const Host::LayoutEntry> layout =
            classChanged ? std::span<const Host::LayoutEntry>(owner->classObject->LayoutEntries())
                         : std::span<const Host::LayoutEntry>();
        for (const Host::LayoutEntry& field : layout) {
            if (field.key == fieldKey.GetValue()) {
                return {.storage = owner->layoutBlock + field.offset,
                        .owner = owner,
                        .inLayout = true,
                        .isArray = (field.flags & Host::kEntryIsArray) != 0,
                        .type = type,
                        .typeKey = ownTypeKey,
                        .defined = ownDefined};
            }
        }
        for (Host::CollectionEntry& entry : owner->OwnEntries()) {
            if (entry.key != fieldKey.GetValue()) {
                continue;
            }
            const bool isArray = (entry.flags & Host::kEntryIsArray) != 0;
            // Small plain values live in the entry's word; arrays and larger
            // values live where the word points.
            void* const storage = (!type->IsOutOfLine() && !isArray)
                                      ? static_cast<void*>(&entry.value)
                                      : AddressOf<void>(entry.value);
            return {.storage = storage,
                    .owner = owner,
                    .entry = &entry,
                    .isArray = isArray,
                    .type = type,
                    .typeKey = ownTypeKey,
                    .defined = ownDefined};
        }
    }
    return {.typeKey = ownTypeKey, .defined = ownDefined};
}

void* FindFieldData(Host::CollectionRecord* collection, Hash32 fieldKey) {
    return LocateField(collection, fieldKey).storage;
}

bool IsArrayField(Host::CollectionRecord* collection, Hash32 fieldKey) {
    for (const Host::LayoutEntry& field : collection->classObject->LayoutEntries()) {
        if (field.key == fieldKey.GetValue() && (field.flags & Host::kEntryIsArray) != 0) {
            return true;
        }
    }
    for (const Host::CollectionEntry& entry : collection->OwnEntries()) {
        if (entry.key == fieldKey.GetValue() && (entry.flags & Host::kEntryIsArray) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace rakor::Attrib::Automation

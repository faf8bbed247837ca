#pragma once

#include <memory>

#include "hash/Hashes.h"
#include "host/HostRecords.h"

namespace rakor::Attrib {
class IAttribType;
}

namespace rakor::Attrib::Automation {

// Where a field of a collection lives in the host, following the host's
// storage rules: the class layout block first, then the collection's own
// entries (inline when the value fits in the entry's word and is no array,
// else behind the word), then the parent collections.
//
// Whether the storage is an array is the flag of the very entry it was found
// through: another entry of the same key elsewhere (an own entry beside a
// layout field, a second own entry) says nothing about these bytes.
struct FieldLocation {
    void* storage = nullptr;                  // null: not found, or type not registered
    Host::CollectionRecord* owner = nullptr;  // the collection that holds it
    Host::CollectionEntry* entry = nullptr;   // the own entry, when it lies in one
    bool inLayout = false;                    // in the owner's layout block
    bool isArray = false;                     // the array flag where it was found
    // The type the owner's class gives the field: it decided whether the
    // value lies inline, so it is the one to bind to the storage. Owned by
    // the type registry, which keeps it for the rest of the process.
    const IAttribType* type = nullptr;
    // The key of the type the collection's own class gives the field, and
    // whether the class defines the field at all: a field it defines with a
    // type the library does not know is found nowhere, and that is why.
    Hash32 typeKey;
    bool defined = false;
};

// The key of the field's type: from the class's field definition, or the
// hash of the empty name when the class has none.
Hash32 FieldTypeKey(Host::ClassRecord* classObject, Hash32 fieldKey);
std::shared_ptr<IAttribType> FindFieldType(Host::ClassRecord* classObject, Hash32 fieldKey);

FieldLocation LocateField(Host::CollectionRecord* collection, Hash32 fieldKey);

// The address of the field's storage, or null.
void* FindFieldData(Host::CollectionRecord* collection, Hash32 fieldKey);

// Whether the collection itself (its class layout or its own entries) marks
// the field as an array. Parents are not consulted. Any entry of the key
// counts, so this is no answer for the storage LocateField found: the
// actions go by FieldLocation::isArray.
bool IsArrayField(Host::CollectionRecord* collection, Hash32 fieldKey);

}  // namespace rakor::Attrib::Automation

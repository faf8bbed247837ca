#pragma once

#include <string>
#include <string_view>

#include "automation/FieldLookup.h"
#include "automation/LineFacts.h"
#include "hash/Hashes.h"
#include "host/HostRecords.h"

namespace rakor::Attrib::Automation {

// The class, collection and field a line names, found in the host as the
// actions that change fields find them, each noted in the facts. A missing
// one fails the line (Fail) with the action's own message, "ModifyField.Act
// => Class 'car' not found", `action` being the class of the action, and
// gives null (no storage, for the field).
Host::ClassRecord* FindNamedClass(std::string_view action, Hash32 classKey, LineFacts& facts,
                                  std::string& message);
Host::CollectionRecord* FindNamedCollection(std::string_view action, Hash32 classKey,
                                            Host::ClassRecord* classObject, Hash32 collectionKey,
                                            LineFacts& facts, std::string& message);
// A field found nowhere, or found with a type the library cannot write, fails
// with "Field ... not found or invalid".
FieldLocation FindNamedField(std::string_view action, Hash32 classKey, Hash32 collectionKey,
                             Host::CollectionRecord* collection, Hash32 fieldKey, LineFacts& facts,
                             std::string& message);

// The class, the collection and the field in turn, as the actions that change
// a field find them: the first missing one fails the line, and the later ones
// stay null.
struct NamedTarget {
    Host::ClassRecord* classObject = nullptr;
    Host::CollectionRecord* collection = nullptr;
    FieldLocation location;

    bool Found() const { return location.storage != nullptr; }
};
NamedTarget FindNamedTarget(std::string_view action, Hash32 classKey, Hash32 collectionKey,
                            Hash32 fieldKey, LineFacts& facts, std::string& message);

}  // namespace rakor::Attrib::Automation

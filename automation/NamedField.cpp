#include "automation/NamedField.h"

#include "automation/LineFailure.h"
#include "host/HostApi.h"

namespace rakor::Attrib::Automation {

Host::ClassRecord* FindNamedClass(std::string_view action, Hash32 classKey, LineFacts& facts,
                                  std::string& message) {
    facts.classKey = classKey.GetValue();
    auto* const classObject = static_cast<Host::ClassRecord*>(
        Host::GetClass(Host::DatabaseInstance(), classKey.GetValue()));
    if (classObject == nullptr) {
        Fail(facts, message, Cause::NoClass, FMT_COMPILE("{}.Act => Class '{}' not found"), action,
             classKey);
        return nullptr;
    }
    facts.classRecord = classObject;
    return classObject;
}

Host::CollectionRecord* FindNamedCollection(std::string_view action, Hash32 classKey,
                                            Host::ClassRecord* classObject, Hash32 collectionKey,
                                            LineFacts& facts, std::string& message) {
    facts.collectionKey = collectionKey.GetValue();
    auto* const collection = static_cast<Host::CollectionRecord*>(
        Host::GetCollection(classObject, collectionKey.GetValue()));
    if (collection == nullptr) {
        Fail(facts, message, Cause::NoCollection,
             FMT_COMPILE("{}.Act => Collection '{}'->'{}' not found"), action, classKey,
             collectionKey);
        return nullptr;
    }
    facts.collection = collection;
    return collection;
}

FieldLocation FindNamedField(std::string_view action, Hash32 classKey, Hash32 collectionKey,
                             Host::CollectionRecord* collection, Hash32 fieldKey, LineFacts& facts,
                             std::string& message) {
    facts.fieldKey = fieldKey.GetValue();
    const FieldLocation location = LocateField(collection, fieldKey);
    facts.typeKey = location.typeKey.GetValue();
    if (location.storage == nullptr) {
        // A field the class defines with a type the library cannot write is
        // found nowhere, and is told apart from a field nobody holds.
        Fail(
            facts, message,
            location.defined && location.type == nullptr ? Cause::UnknownFieldType : Cause::NoField,
            FMT_COMPILE("{}.Act => Field '{}'->'{}'.'{}' not found or invalid"), action, classKey,
            collectionKey, fieldKey);
        return location;
    }
    facts.holder = location.owner;
    facts.type = location.type;
    return location;
}

NamedTarget FindNamedTarget(std::string_view action, Hash32 classKey, Hash32 collectionKey,
                            Hash32 fieldKey, LineFacts& facts, std::string& message) {
    NamedTarget target;
    target.classObject = FindNamedClass(action, classKey, facts, message);
    if (target.classObject == nullptr) {
        return target;
    }
    target.collection =
        FindNamedCollection(action, classKey, target.classObject, collectionKey, facts, message);
    if (target.collection == nullptr) {
        return target;
    }
    target.location = FindNamedField(action, classKey, collectionKey, target.collection, fieldKey,
                                     facts, message);
    return target;
}

}  // namespace rakor::Attrib::Automation

#include "automation/NamedField.h"

#include "automation/EvaluationError.h"
#include "host/HostApi.h"

namespace rakor::Attrib::Automation {

Host::ClassRecord* FindNamedClass(std::string_view action, Hash32 classKey, LineFacts& facts) {
    facts.classKey = classKey.GetValue();
    auto* const classObject = static_cast<Host::ClassRecord*>(
        Host::GetClass(Host::DatabaseInstance(), classKey.GetValue()));
    if (classObject == nullptr) {
        facts.cause = Cause::NoClass;
        throw EvaluationError(facts, "{}.Act => Class '{}' not found", action, classKey.ToString());
    }
    facts.classRecord = classObject;
    return classObject;
}

Host::CollectionRecord* FindNamedCollection(std::string_view action, Hash32 classKey,
                                            Host::ClassRecord* classObject, Hash32 collectionKey,
                                            LineFacts& facts) {
    facts.collectionKey = collectionKey.GetValue();
    auto* const collection = static_cast<Host::CollectionRecord*>(
        Host::GetCollection(classObject, collectionKey.GetValue()));
    if (collection == nullptr) {
        facts.cause = Cause::NoCollection;
        throw EvaluationError(facts, "{}.Act => Collection '{}'->'{}' not found", action,
                              classKey.ToString(), collectionKey.ToString());
    }
    facts.collection = collection;
    return collection;
}

FieldLocation FindNamedField(std::string_view action, Hash32 classKey, Hash32 collectionKey,
                             Host::CollectionRecord* collection, Hash32 fieldKey,
                             LineFacts& facts) {
    facts.fieldKey = fieldKey.GetValue();
    const FieldLocation location = LocateField(collection, fieldKey);
    facts.typeKey = location.typeKey.GetValue();
    if (location.storage == nullptr) {
        // A field the class defines with a type the library cannot write is
        // found nowhere, and is told apart from a field nobody holds.
        facts.cause =
            location.defined && location.type == nullptr ? Cause::UnknownFieldType : Cause::NoField;
        throw EvaluationError(facts, "{}.Act => Field '{}'->'{}'.'{}' not found or invalid", action,
                              classKey.ToString(), collectionKey.ToString(), fieldKey.ToString());
    }
    facts.holder = location.owner;
    facts.type = location.type;
    return location;
}

}  // namespace rakor::Attrib::Automation

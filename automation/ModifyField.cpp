#include "automation/ModifyField.h"

#include <cstring>

#include "automation/EvaluationError.h"
#include "automation/FieldLookup.h"
#include "host/HostApi.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {

ModifyField::ModifyField(const Parts& parts)
    : classKey_(parts.classKey),
      collectionKey_(parts.collectionKey),
      fieldKey_(parts.fieldKey),
      index_(parts.index),
      memberSize_(static_cast<uint32_t>(parts.member.size())),
      isMember_(parts.mode == Mode::Member ? 1 : 0),
      valueSize_(static_cast<uint32_t>(parts.value.size())) {
    // The store made room for the texts behind the action (TailBytes).
    char* const texts = reinterpret_cast<char*>(this + 1);
    if (!parts.member.empty()) {
        std::memcpy(texts, parts.member.data(), parts.member.size());
    }
    if (!parts.value.empty()) {
        std::memcpy(texts + parts.member.size(), parts.value.data(), parts.value.size());
    }
}

void ModifyField::Act() {
    auto* const classObject = static_cast<Host::ClassRecord*>(
        Host::GetClass(Host::DatabaseInstance(), classKey_.GetValue()));
    if (classObject == nullptr) {
        throw EvaluationError("ModifyField.Act => Class '{}' not found", classKey_.ToString());
    }
    auto* const collection = static_cast<Host::CollectionRecord*>(
        Host::GetCollection(classObject, collectionKey_.GetValue()));
    if (collection == nullptr) {
        throw EvaluationError("ModifyField.Act => Collection '{}'->'{}' not found",
                              classKey_.ToString(), collectionKey_.ToString());
    }
    const FieldLocation location = LocateField(collection, fieldKey_);
    if (location.storage == nullptr) {
        throw EvaluationError("ModifyField.Act => Field '{}'->'{}'.'{}' not found or invalid",
                              classKey_.ToString(), collectionKey_.ToString(),
                              fieldKey_.ToString());
    }
    // The lookup found a type for the field in the collection's own class, or
    // it would have found no storage. Only a collection whose class is not the
    // one it was asked for through needs that class's type checked.
    if (collection->classObject != classObject) {
        const Hash32 typeKey = FieldTypeKey(classObject, fieldKey_);
        if (!AttribTypeRegistry::Instance().FindType(typeKey)) {
            throw EvaluationError("ModifyField.Act => Field '{}'->'{}'.'{}' has unknown type '{}'",
                                  classKey_.ToString(), collectionKey_.ToString(),
                                  fieldKey_.ToString(), typeKey.ToString());
        }
    }
    // The type the storage was found with, which decided whether the value
    // lies in the entry's word: a wider type bound there would write past it.
    const IAttribType& type = *location.type;

    void* storage = location.storage;
    // Only the flag of the entry the storage was found through tells whether
    // it is an array record. An array inherited from a parent's own entries
    // is one too: binding one element's value over the record would overwrite
    // its header.
    if (location.isArray) {
        storage = Host::GetArrayElement(storage, static_cast<uint32_t>(index_));
        if (storage == nullptr) {
            throw EvaluationError("ModifyField.Act => Invalid array subscript '{}'->'{}'.'{}'[{}]",
                                  classKey_.ToString(), collectionKey_.ToString(),
                                  fieldKey_.ToString(), index_);
        }
    }

    // The text is parsed straight into the host's memory.
    const std::string_view value = GetValue();
    if (!isMember_) {
        if (!type.ParseAt(storage, value)) {
            throw EvaluationError(
                "ModifyField.Act => Failed to set value of '{}'->'{}'.'{}' to '{}'",
                classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString(), value);
        }
        return;
    }
    // A member the value does not have fails like a member that rejects its text.
    const std::string_view member = GetMember();
    if (!type.ParseMemberAt(storage, member, value)) {
        throw EvaluationError(
            "ModifyField.Act => Failed to set value of '{}'->'{}'.'{}'['{}'] to '{}'",
            classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString(), member, value);
    }
}

}  // namespace rakor::Attrib::Automation

#include "automation/ModifyField.h"

#include <algorithm>

#include "automation/EvaluationError.h"
#include "automation/FieldLookup.h"
#include "host/HostApi.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {

ModifyField::ModifyField(const std::string& className, const std::string& collectionName,
                         const FieldSpec& field, const std::string& value)
    : ModifyField(Mode::Value, className, collectionName, field, {}, value) {}

ModifyField::ModifyField(const std::string& className, const std::string& collectionName,
                         const FieldSpec& field, const std::string& member,
                         const std::string& value)
    : ModifyField(Mode::Member, className, collectionName, field, member, value) {}

// Names are converted field first, then collection, then class.
ModifyField::ModifyField(Mode mode, const std::string& className, const std::string& collectionName,
                         const FieldSpec& field, std::string_view member, std::string_view value)
    : mode_(mode), fieldKey_(field.name), index_(field.index) {
    collectionKey_ = Hash32(collectionName);
    classKey_ = Hash32(className);
    ownTexts_ = std::make_unique<char[]>(member.size() + value.size() + 1);
    std::copy(member.begin(), member.end(), ownTexts_.get());
    std::copy(value.begin(), value.end(), ownTexts_.get() + member.size());
    member_ = {ownTexts_.get(), member.size()};
    value_ = {ownTexts_.get() + member.size(), value.size()};
}

ModifyField::ModifyField(const Parts& parts)
    : mode_(parts.mode),
      classKey_(parts.classKey),
      collectionKey_(parts.collectionKey),
      fieldKey_(parts.fieldKey),
      index_(parts.index),
      member_(parts.member),
      value_(parts.value) {}

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
    if (mode_ == Mode::Value) {
        if (!type.ParseAt(storage, value_)) {
            throw EvaluationError(
                "ModifyField.Act => Failed to set value of '{}'->'{}'.'{}' to '{}'",
                classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString(), value_);
        }
        return;
    }
    // A member the value does not have fails like a member that rejects its text.
    if (!type.ParseMemberAt(storage, member_, value_)) {
        throw EvaluationError(
            "ModifyField.Act => Failed to set value of '{}'->'{}'.'{}'['{}'] to '{}'",
            classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString(), member_, value_);
    }
}

}  // namespace rakor::Attrib::Automation

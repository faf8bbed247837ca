#include "automation/ModifyField.h"

#include <cstring>
#include <stdexcept>

#include "automation/CommandTable.h"
#include "automation/FieldLookup.h"
#include "automation/LineFailure.h"
#include "automation/NamedField.h"
#include "hash/StringHasher.h"
#include "host/HostApi.h"
#include "host/HostStorage.h"
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

namespace {

// Which tokens of its line the member and the value are: the row of
// update_field says, by the line's form (five tokens for a value, six with a
// member).
struct ValueTokens {
    std::size_t member = 0;
    std::size_t value = 0;
};
ValueTokens TokensOfValue(bool member) {
    static const Command& row = CommandBuilding(Builds::ModifyField);
    static const ValueTokens forms[2] = {
        {0, row.TokenOf(5, Role::Value)},
        {row.TokenOf(6, Role::Member), row.TokenOf(6, Role::Value)}};
    return forms[member ? 1 : 0];
}

// Reads the value (or member) with `read`. A name there that cannot be made
// into a key leaves as the standard error it is, its cause and token told:
// the member name is made into a key before the value is read, so a member
// written as a "0x" name that is no key is the one.
template <typename Read>
ValueReading ReadTellingNameErrors(LineFacts& facts, std::string_view member,
                                   const ValueTokens& tokens, Read&& read) {
    const auto tell = [&](Cause cause) {
        facts.cause = cause;
        const bool badMember = StringHasher::Refuses(member);
        facts.token = static_cast<uint8_t>(badMember ? tokens.member : tokens.value);
    };
    try {
        return read();
    } catch (const std::invalid_argument&) {
        tell(Cause::NameNotHexadecimal);
        throw;
    } catch (const std::out_of_range&) {
        tell(Cause::NameTooWide);
        throw;
    }
}

Cause CauseOf(const ValueReading& reading) {
    switch (reading.result) {
        case ValueReading::Result::NotANumber:
            return Cause::ValueNotANumber;
        case ValueReading::Result::OutOfRange:
            return Cause::ValueOutOfRange;
        case ValueReading::Result::NoMember:
            return Cause::NoMember;
        case ValueReading::Result::NoTextForm:
        case ValueReading::Result::Stored:
            break;
    }
    return Cause::NoTextForm;
}

}  // namespace

bool ModifyField::Attempt(LineFacts& facts, std::string& message) {
    facts.subscript = index_;
    const NamedTarget target =
        FindNamedTarget("ModifyField", classKey_, collectionKey_, fieldKey_, facts, message);
    if (!target.Found()) {
        return false;
    }
    Host::ClassRecord* const classObject = target.classObject;
    Host::CollectionRecord* const collection = target.collection;
    const FieldLocation& location = target.location;
    // The lookup found a type for the field in the collection's own class, or
    // it would have found no storage. Only a collection whose class is not the
    // one it was asked for through needs that class's type checked.
    if (collection->classObject != classObject) {
        const Hash32 typeKey = FieldTypeKey(classObject, fieldKey_);
        if (!AttribTypeRegistry::Instance().FindType(typeKey)) {
            facts.typeKey = typeKey.GetValue();
            return Fail(
                facts, message, Cause::UnknownFieldType,
                FMT_COMPILE("ModifyField.Act => Field '{}'->'{}'.'{}' has unknown type '{}'"),
                classKey_, collectionKey_, fieldKey_, typeKey);
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
            facts.elements = Host::LoadFrom<Host::ArrayHeader>(location.storage).count;
            return Fail(
                facts, message, Cause::SubscriptOutOfRange,
                FMT_COMPILE("ModifyField.Act => Invalid array subscript '{}'->'{}'.'{}'[{}]"),
                classKey_, collectionKey_, fieldKey_, index_);
        }
        facts.element = index_;
    }

    // The text is parsed straight into the host's memory.
    const std::string_view value = GetValue();
    const ValueTokens tokens = TokensOfValue(isMember_ != 0);
    if (!isMember_) {
        facts.value =
            ReadTellingNameErrors(facts, {}, tokens, [&] { return type.ParseAt(storage, value); });
        if (!facts.value) {
            return Fail(
                facts, message, CauseOf(facts.value),
                FMT_COMPILE("ModifyField.Act => Failed to set value of '{}'->'{}'.'{}' to '{}'"),
                classKey_, collectionKey_, fieldKey_, value);
        }
        return true;
    }
    // A member the value does not have fails like a member that rejects its text.
    const std::string_view member = GetMember();
    facts.value = ReadTellingNameErrors(facts, member, tokens,
                                        [&] { return type.ParseMemberAt(storage, member, value); });
    if (!facts.value) {
        return Fail(
            facts, message, CauseOf(facts.value),
            FMT_COMPILE("ModifyField.Act => Failed to set value of '{}'->'{}'.'{}'['{}'] to '{}'"),
            classKey_, collectionKey_, fieldKey_, member, value);
    }
    return true;
}

}  // namespace rakor::Attrib::Automation

#include "automation/ResizeField.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "automation/FieldLookup.h"
#include "automation/LineFailure.h"
#include "automation/NamedField.h"
#include "host/HostApi.h"
#include "host/HostStorage.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {

// Names are converted field first, then collection, then class.
ResizeField::ResizeField(const std::string& className, const std::string& collectionName,
                         const std::string& fieldName, uint32_t newCount)
    : fieldKey_(fieldName), newCount_(newCount) {
    collectionKey_ = Hash32(collectionName);
    classKey_ = Hash32(className);
}

bool ResizeField::Attempt(LineFacts& facts, std::string& message) {
    facts.count = newCount_;
    const NamedTarget target =
        FindNamedTarget("ResizeField", classKey_, collectionKey_, fieldKey_, facts, message);
    if (!target.Found()) {
        return false;
    }
    Host::CollectionRecord* const collection = target.collection;
    const FieldLocation& location = target.location;
    // The flag of the entry the storage was found through decides; an array
    // inherited from a parent's entries is one all the same, refused below.
    if (!location.isArray) {
        return Fail(
            facts, message, Cause::NotAnArray,
            FMT_COMPILE("ResizeField.Act => Field '{}'->'{}'.'{}' is not an array: you can only "
                        "resize arrays"),
            classKey_, collectionKey_, fieldKey_);
    }
    // A line that would change nothing must not count as a success.
    if (newCount_ > kMaxCount) {
        return Fail(
            facts, message, Cause::TooManyElements,
            FMT_COMPILE(
                "ResizeField.Act => Field '{}'->'{}'.'{}' cannot hold {} elements: an array "
                "holds at most {}"),
            classKey_, collectionKey_, fieldKey_, std::to_string(newCount_),
            std::to_string(kMaxCount));
    }
    if (location.owner != collection || location.entry == nullptr || !location.isArray) {
        return Fail(
            facts, message, Cause::NotResizableHere,
            FMT_COMPILE("ResizeField.Act => Field '{}'->'{}'.'{}' cannot be resized here: only an "
                        "array held in the collection's own entries can be replaced, not one in "
                        "the class layout or inherited from a parent"),
            classKey_, collectionKey_, fieldKey_);
    }
    // The elements' type is the one the collection's own class gives the
    // field (the class the collection record names, which the lookup went
    // by), not that of the class it was asked for through.
    const std::shared_ptr<IAttribType> type = FindFieldType(collection->classObject, fieldKey_);
    if (!type) {
        return Fail(facts, message, Cause::UnknownFieldType,
                    FMT_COMPILE("ResizeField.Act => Field '{}'->'{}'.'{}' has unknown type '{}'"),
                    classKey_, collectionKey_, fieldKey_,
                    FieldTypeKey(collection->classObject, fieldKey_));
    }
    if (!ResizeArray(*location.entry, type, newCount_)) {
        return Fail(
            facts, message, Cause::OutOfMemory,
            FMT_COMPILE("ResizeField.Act => Out of memory for {} elements of {} bytes"),
            std::to_string(newCount_),
            std::to_string(Host::LoadFrom<Host::ArrayHeader>(location.storage).ElementSize()));
    }
    return true;
}

bool ResizeField::ResizeArray(Host::CollectionEntry& entry,
                              const std::shared_ptr<IAttribType>& type, uint32_t newCount) {
    const auto* const old = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(entry.value));
    const auto oldHeader = Host::LoadFrom<Host::ArrayHeader>(old);
    const uint32_t elementSize = oldHeader.ElementSize();
    const uint32_t count = newCount;

    // The new record belongs to the host from now on; the old one is left as
    // it is, since the host may still refer to it.
    const std::size_t bytes = sizeof(Host::ArrayHeader) + std::size_t{count} * elementSize;
    auto* const record = static_cast<uint8_t*>(std::malloc(bytes));
    if (record == nullptr) {
        return false;
    }
    // New elements start zeroed; the type's Construct then sets what it sets.
    std::memset(record, 0, bytes);
    Host::ArrayHeader header = oldHeader;
    header.capacity = static_cast<uint16_t>(count);
    header.count = static_cast<uint16_t>(count);
    Host::StoreTo(record, header);
    const uint32_t kept = std::min<uint32_t>(count, oldHeader.count);
    std::memcpy(record + sizeof header, old + sizeof header, std::size_t{kept} * elementSize);
    entry.value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record));

    // A type wider than the host's element would write past it: such elements
    // keep their zeroes (no type's Construct sets more than zeroes anyway).
    if (type->GetSize() > elementSize) {
        return true;
    }
    // One value object walks the new elements: binding a fresh one for each
    // would cost an allocation per element, up to 65535 of them per line.
    const std::shared_ptr<ITypedValue> value = type->BindValue(nullptr);
    for (uint32_t i = oldHeader.count; i < count; ++i) {
        if (void* const element = Host::GetArrayElement(record, i)) {
            value->SetStorage(element);
            value->Construct();
        }
    }
    return true;
}

}  // namespace rakor::Attrib::Automation

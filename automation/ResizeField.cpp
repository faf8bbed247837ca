#include "automation/ResizeField.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "automation/EvaluationError.h"
#include "automation/FieldLookup.h"
#include "host/HostApi.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {

// Names are converted field first, then collection, then class.
ResizeField::ResizeField(const std::string& className, const std::string& collectionName,
                         const std::string& fieldName, uint32_t newCount)
    : fieldKey_(fieldName), newCount_(newCount) {
    collectionKey_ = Hash32(collectionName);
    classKey_ = Hash32(className);
}

void ResizeField::Act() {
    auto* const classObject = static_cast<Host::ClassRecord*>(
        Host::GetClass(Host::DatabaseInstance(), classKey_.GetValue()));
    if (classObject == nullptr) {
        throw EvaluationError("ResizeField.Act => Class '{}' not found", classKey_.ToString());
    }
    auto* const collection = static_cast<Host::CollectionRecord*>(
        Host::GetCollection(classObject, collectionKey_.GetValue()));
    if (collection == nullptr) {
        throw EvaluationError("ResizeField.Act => Collection '{}'->'{}' not found",
                              classKey_.ToString(), collectionKey_.ToString());
    }
    const FieldLocation location = LocateField(collection, fieldKey_);
    if (location.storage == nullptr) {
        throw EvaluationError("ResizeField.Act => Field '{}'->'{}'.'{}' not found or invalid",
                              classKey_.ToString(), collectionKey_.ToString(),
                              fieldKey_.ToString());
    }
    // The collection's own flags do not show an array it inherits from a
    // parent's entries; that one is an array all the same, refused below.
    if (!IsArrayField(collection, fieldKey_) && !location.isArray) {
        throw EvaluationError(
            "ResizeField.Act => Field '{}'->'{}'.'{}' is not an array: you can only resize arrays",
            classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString());
    }
    // A line that would change nothing must not count as a success.
    if (newCount_ > kMaxCount) {
        throw EvaluationError(
            "ResizeField.Act => Field '{}'->'{}'.'{}' cannot hold {} elements: an array holds at "
            "most {}",
            classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString(),
            std::to_string(newCount_), std::to_string(kMaxCount));
    }
    if (location.owner != collection || location.entry == nullptr || !location.isArray) {
        throw EvaluationError(
            "ResizeField.Act => Field '{}'->'{}'.'{}' cannot be resized here: only an array held "
            "in the collection's own entries can be replaced, not one in the class layout or "
            "inherited from a parent",
            classKey_.ToString(), collectionKey_.ToString(), fieldKey_.ToString());
    }
    ResizeArray(*location.entry, FindFieldType(classObject, fieldKey_), newCount_);
}

void ResizeField::ResizeArray(Host::CollectionEntry& entry,
                              const std::shared_ptr<IAttribType>& type, uint32_t newCount) {
    const auto* const old =
        reinterpret_cast<const Host::ArrayHeader*>(static_cast<uintptr_t>(entry.value));
    const uint32_t elementSize = old->ElementSize();
    const uint32_t count = newCount;

    // The new record belongs to the host from now on; the old one is left as
    // it is, since the host may still refer to it.
    const std::size_t bytes = sizeof(Host::ArrayHeader) + std::size_t{count} * elementSize;
    auto* const record = static_cast<uint8_t*>(std::malloc(bytes));
    if (record == nullptr) {
        throw EvaluationError("ResizeField.Act => Out of memory for {} elements of {} bytes",
                              std::to_string(count), std::to_string(elementSize));
    }
    // New elements start zeroed; the type's Construct then sets what it sets.
    std::memset(record, 0, bytes);
    Host::ArrayHeader header = *old;
    header.capacity = static_cast<uint16_t>(count);
    header.count = static_cast<uint16_t>(count);
    std::memcpy(record, &header, sizeof header);
    const uint32_t kept = std::min<uint32_t>(count, old->count);
    std::memcpy(record + sizeof header, reinterpret_cast<const uint8_t*>(old) + sizeof header,
                std::size_t{kept} * elementSize);
    entry.value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record));

    // A type wider than the host's element would write past it: such elements
    // keep their zeroes (no type's Construct sets more than zeroes anyway).
    if (type->GetSize() > elementSize) {
        return;
    }
    for (uint32_t i = old->count; i < count; ++i) {
        if (void* const element = Host::GetArrayElement(record, i)) {
            type->BindValue(element)->Construct();
        }
    }
}

}  // namespace rakor::Attrib::Automation

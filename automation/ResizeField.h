#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/IAction.h"
#include "hash/Hashes.h"
#include "host/HostRecords.h"

namespace rakor::Attrib {
class IAttribType;
}

namespace rakor::Attrib::Automation {

// "resize_field class collection field count": replaces an array field's
// record with one of the new length, keeping the elements that still fit and
// initialising the new ones through the field's type.
class ResizeField : public IAction {
public:
    // The host's array header counts elements in 16 bits.
    static constexpr uint32_t kMaxCount = 65535;

    ResizeField(const std::string& className, const std::string& collectionName,
                const std::string& fieldName, uint32_t newCount);
    // Keys already made from the names (field, collection, class, in that order).
    ResizeField(Hash32 classKey, Hash32 collectionKey, Hash32 fieldKey, uint32_t newCount)
        : classKey_(classKey),
          collectionKey_(collectionKey),
          fieldKey_(fieldKey),
          newCount_(newCount) {}

    bool Attempt(LineFacts& facts, std::string& message) override;

    // What the parser builds holds keys, numbers and views into its script.
    static constexpr bool kParsedFreesNothing = true;

    uint32_t GetNewCount() const { return newCount_; }

    // Points the entry at a new record of newCount elements (at most
    // kMaxCount): the elements that still fit are copied, the new ones are
    // zeroed and then initialised by the type. False, with nothing changed,
    // when there is no memory for the new record.
    static bool ResizeArray(Host::CollectionEntry& entry, const std::shared_ptr<IAttribType>& type,
                            uint32_t newCount);

private:
    Hash32 classKey_;
    Hash32 collectionKey_;
    Hash32 fieldKey_;
    uint32_t newCount_;
};

}  // namespace rakor::Attrib::Automation

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "hash/Hashes.h"
#include "host/HostRecords.h"
#include "typedb/HostTypeTable.h"
#include "typedb/ITypedValue.h"

namespace rakor::Attrib {

// Descriptor of one host field type, known by the hash of its host type name.
// Created once at registration and never changed.
class IAttribType {
public:
    virtual ~IAttribType() = default;

    virtual Hash32 GetTypeHash() const = 0;
    // The type's row of the host type table: its name and how a script
    // writes its values.
    virtual const HostTypeRow& Row() const = 0;
    // The storage type whose bytes one value occupies.
    virtual std::type_index GetNativeType() const = 0;
    // Bytes one value occupies in host memory.
    virtual uint32_t GetSize() const = 0;
    // A collection entry has one 4-byte value word: wider values live
    // elsewhere and the word holds their address.
    virtual bool IsOutOfLine() const = 0;
    // A value in fresh storage that belongs to the value object.
    virtual std::shared_ptr<ITypedValue> CreateValue() const = 0;
    // A value viewing `storage`, which is neither read nor initialised here.
    virtual std::shared_ptr<ITypedValue> BindValue(void* storage) const = 0;
    // One value per element of a host array record, in index order.
    virtual std::vector<std::shared_ptr<ITypedValue>> BindArray(Host::ArrayHeader* array) const = 0;
    // BindValue(storage)->Read(text) and BindValue(storage)->ReadMember(member,
    // text), without a value object that outlives the call: what every script
    // line that sets a field does.
    virtual ValueReading ParseAt(void* storage, std::string_view text) const = 0;
    virtual ValueReading ParseMemberAt(void* storage, std::string_view member,
                                       std::string_view text) const = 0;

protected:
    IAttribType() = default;
    IAttribType(const IAttribType&) = default;
    IAttribType& operator=(const IAttribType&) = default;
};

}  // namespace rakor::Attrib

#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <typeindex>

#include "hash/Hashes.h"
#include "typedb/AttribTypeImpl.h"
#include "typedb/HostTypeTable.h"
#include "typedb/IAttribType.h"
#include "typedb/ITypedValue.h"

namespace rakor::Attrib {

// Process-wide table of the host field types this library understands, keyed
// by the hash of the host type name, plus the type name each storage type was
// registered under last (so members can be bound by their C++ type).
//
// Filled with the host types on first use, on the one thread that runs the
// scripts; no lock. Lookups insert on a miss, like the host's own tables: an
// unknown hash keeps an empty entry.
class AttribTypeRegistry {
public:
    using TypeMap = std::map<Hash32, std::shared_ptr<IAttribType>>;
    using NativeTypeMap = std::map<std::type_index, Hash32>;

    static AttribTypeRegistry& Instance();

    // Under the hash of the row's type name, which it records.
    template <typename T, typename W>
    void Register(const HostTypeRow& row) {
        const Hash32 typeHash(row.name);
        nativeTypes_[std::type_index(typeid(T))] = typeHash;
        types_[typeHash] = std::make_shared<AttribTypeImpl<T, W>>(typeHash, row);
        recent_ = {};
        ++registrations_;
    }

    // Empty when no type is registered under the hash.
    std::shared_ptr<IAttribType> FindType(Hash32 typeHash);
    // The same without sharing it, for lookups made for every script line:
    // the registry keeps its types for the rest of the process. A script
    // touches a handful of types over and over, so the answers for the keys
    // asked lately are kept beside the ordered map, which is walked only for
    // a key not asked lately (and still gains its empty entry on a miss).
    const IAttribType* TypeOf(Hash32 typeHash) {
        const uint32_t key = typeHash.GetValue();
        RecentType& recent = recent_[(key * 0x9E3779B1u) >> (32 - kRecentBits)];
        if (!recent.filled || recent.key != key) {
            recent = {.key = key, .type = types_[typeHash].get(), .filled = true};
        }
        return recent.type;
    }

    // The hash registered last for storage type T; 0 for a type never registered.
    template <typename T>
    Hash32 FindNativeType() {
        return nativeTypes_[std::type_index(typeid(T))];
    }

    // Whichever type T was registered under last. Throws std::runtime_error
    // when T has no registered type.
    //
    // Every member of a structured value that a script line sets is parsed
    // through here, so the answer is kept for each T until the next
    // registration (walking the map by type_index compares type names).
    template <typename T>
    const IAttribType& NativeType() {
        static KnownNativeType known;
        if (known.registry == this && known.registrations == registrations_) {
            return *known.type;
        }
        const std::shared_ptr<IAttribType>& type = types_[FindNativeType<T>()];
        if (!type) {
            throw std::runtime_error("Attempting to bind an unknown AttribSys type");
        }
        known = {.registry = this, .registrations = registrations_, .type = type.get()};
        return *type;
    }

    // Binds `storage` as a value of NativeType<T>().
    template <typename T>
    std::shared_ptr<ITypedValue> BindNative(void* storage) {
        return NativeType<T>().BindValue(storage);
    }

    const TypeMap& Types() const { return types_; }
    const NativeTypeMap& NativeTypes() const { return nativeTypes_; }

private:
    AttribTypeRegistry() = default;
    AttribTypeRegistry(AttribTypeRegistry&&) = default;

    struct RecentType {
        uint32_t key = 0;
        const IAttribType* type = nullptr;
        bool filled = false;
    };
    static constexpr unsigned kRecentBits = 6;

    struct KnownNativeType {
        const AttribTypeRegistry* registry = nullptr;
        uint64_t registrations = 0;
        const IAttribType* type = nullptr;
    };

    TypeMap types_;
    NativeTypeMap nativeTypes_;
    // Emptied by every registration, which may replace a type.
    std::array<RecentType, std::size_t{1} << kRecentBits> recent_{};
    // Counts registrations, each of which may replace a type.
    uint64_t registrations_ = 0;
};

// Registers the 21 host field types (typedb/TypeRegistrations.cpp).
void RegisterHostTypes(AttribTypeRegistry& registry);

}  // namespace rakor::Attrib

#pragma once

#include <cstring>
#include <memory>
#include <type_traits>
#include <typeindex>

#include "host/HostStorage.h"
#include "typedb/AttribTypeRegistry.h"
#include "typedb/ITypedValue.h"

namespace rakor::Attrib {

// A view of one T in memory: the type hash and the storage address. Storage
// bound to the host is never freed; a block that CreateValue allocated is
// adopted by the value and released with it.
//
// The storage is held untyped and never dereferenced as a T: host storage
// need not be aligned as T is (see host/HostStorage.h), so values and their
// members are copied in and out.
template <typename T>
class TypedValueImpl : public ITypedValue {
    // Values are copied with memcpy: host bytes never run C++ constructors.
    static_assert(std::is_trivially_copyable_v<T>);

public:
    using StorageType = T;

    void SetStorage(void* storage) override { storage_ = storage; }
    void SetTypeHash(Hash32 typeHash) override { typeHash_ = typeHash; }
    Hash32 GetTypeHash() const override { return typeHash_; }
    void* GetStorage() const override { return storage_; }

    // The clone keeps the block its type's CreateValue made for it and gets
    // this value copied in through its own Assign, so a type that touches
    // fewer bytes than its storage type (the 8-bit numbers) reads no more of
    // the source than its field holds. Empty when the type hash names no
    // registered type of this storage type.
    std::shared_ptr<ITypedValue> Clone() const override {
        const std::shared_ptr<IAttribType> type =
            AttribTypeRegistry::Instance().FindType(typeHash_);
        if (!type || type->GetNativeType() != std::type_index(typeid(T))) {
            return nullptr;
        }
        std::shared_ptr<ITypedValue> clone = type->CreateValue();
        clone->Assign(storage_);
        clone->SetTypeHash(typeHash_);
        return clone;
    }

    void Construct() override {}

    bool Assign(const void* source) override {
        std::memcpy(storage_, source, sizeof(T));
        return true;
    }

    virtual bool IsComplex() const = 0;

    // Binds the value to a block it owns from now on.
    void AdoptStorage(std::unique_ptr<T> block) {
        storage_ = block.get();
        ownedBlock_ = std::move(block);
    }

protected:
    T LoadStorage() const { return Host::LoadFrom<T>(storage_); }
    void StoreStorage(const T& value) { Host::StoreTo(storage_, value); }
    // The address of the member that lies `offset` bytes into the storage.
    void* MemberAddress(std::size_t offset) const { return Host::ByteOffset(storage_, offset); }
    template <typename M>
    void StoreMember(std::size_t offset, const M& value) {
        Host::StoreTo(MemberAddress(offset), value);
    }

private:
    Hash32 typeHash_;
    void* storage_ = nullptr;
    std::unique_ptr<T> ownedBlock_;
};

// Plain values: numbers, booleans, texts, hashes, collection keys.
template <typename T>
class TrivialValueImpl : public TypedValueImpl<T> {
public:
    bool IsComplex() const override { return false; }
};

// Structured values, edited member by member through GetMembers.
template <typename T>
class ComplexValueImpl : public TypedValueImpl<T> {
public:
    bool IsComplex() const override { return true; }

protected:
    // The member of storage type M at `offset` (an offsetof of T), bound by
    // its storage type and viewing the parent's own bytes.
    template <typename M>
    std::shared_ptr<ITypedValue> BindMember(std::size_t offset) const {
        return AttribTypeRegistry::Instance().BindNative<M>(this->MemberAddress(offset));
    }
};

}  // namespace rakor::Attrib

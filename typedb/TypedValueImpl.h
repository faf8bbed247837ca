#pragma once

#include <cstring>
#include <memory>
#include <type_traits>
#include <typeindex>

#include "typedb/AttribTypeRegistry.h"
#include "typedb/ITypedValue.h"

namespace rakor::Attrib {

// A view of one T in memory: the type hash and the storage address. Storage
// bound to the host is never freed; a block that CreateValue allocated is
// adopted by the value and released with it.
template <typename T>
class TypedValueImpl : public ITypedValue {
    // Values are copied with memcpy: host bytes never run C++ constructors.
    static_assert(std::is_trivially_copyable_v<T>);

public:
    using StorageType = T;

    void SetStorage(void* storage) override { storage_ = static_cast<T*>(storage); }
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
    T* Storage() const { return storage_; }

private:
    Hash32 typeHash_;
    T* storage_ = nullptr;
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
    // A member bound by its storage type, viewing the parent's own bytes.
    template <typename M>
    static std::shared_ptr<ITypedValue> BindMember(M& member) {
        return AttribTypeRegistry::Instance().BindNative<M>(&member);
    }
};

}  // namespace rakor::Attrib

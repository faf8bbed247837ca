#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <typeindex>

#include "hash/HashResolver.h"
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

// One member of a structured value: its name, where it lies in the value,
// and the value that views it there, bound (as GetMembers lists it) or used
// for one Read (as ReadMember sets it).
struct MemberSlot {
    const char* name;
    std::size_t offset;  // an offsetof of the structure
    std::shared_ptr<ITypedValue> (*bind)(void* member);
    ValueReading (*read)(void* member, std::string_view text);

    // A member bound by its storage type M: as whichever type M was registered
    // under last. Throws std::runtime_error when M has no registered type.
    template <typename M>
    static constexpr MemberSlot Native(const char* name, std::size_t offset) {
        return {name, offset, &BindNative<M>, &ReadNative<M>};
    }

private:
    template <typename M>
    static std::shared_ptr<ITypedValue> BindNative(void* member) {
        return AttribTypeRegistry::Instance().BindNative<M>(member);
    }
    template <typename M>
    static ValueReading ReadNative(void* member, std::string_view text) {
        return AttribTypeRegistry::Instance().NativeType<M>().ParseAt(member, text);
    }
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

    // GetMembers of a value whose members are `slots`.
    MemberMap MembersOf(std::span<const MemberSlot> slots) const {
        MemberMap members;
        for (const MemberSlot& slot : slots) {
            members.emplace(Hash32(slot.name),
                            std::vector{slot.bind(this->MemberAddress(slot.offset))});
        }
        return members;
    }

    // ReadMember of a value whose members are `kSlots`, with what GetMembers
    // does on the way: every member name is made into its key (and so recorded)
    // in order before the wanted one, and the first member with the wanted key
    // takes the text.
    //
    // Making the same keys again changes nothing while the resolver's
    // generation stays what it was when they were made, so the member names'
    // keys are kept from one line to the next (one set per table of members)
    // and a wanted member spelt as one of them takes its key from there.
    template <const auto& kSlots>
    ValueReading ReadMemberOf(std::string_view member, std::string_view text) {
        constexpr std::size_t kCount = std::tuple_size_v<std::remove_cvref_t<decltype(kSlots)>>;
        static MadeKeys<kCount> made;
        std::optional<Hash32> wanted;
        if (made.valid && made.generation == HashResolver::Generation()) {
            for (std::size_t i = 0; i < kCount; ++i) {
                if (member == kSlots[i].name) {
                    wanted = made.keys[i];
                    break;
                }
            }
        } else {
            made.valid = false;
            const uint32_t before = HashResolver::Generation();
            for (std::size_t i = 0; i < kCount; ++i) {
                made.keys[i] = Hash32(kSlots[i].name);
            }
            // Kept only if making them moved no name off its hash (names of
            // one table that collide): then the next line makes them again.
            made.generation = HashResolver::Generation();
            made.valid = made.generation == before;
        }
        if (!wanted) {
            wanted = Hash32(member);
        }
        for (std::size_t i = 0; i < kCount; ++i) {
            if (made.keys[i] == *wanted) {
                ValueReading reading = kSlots[i].read(this->MemberAddress(kSlots[i].offset), text);
                reading.member = static_cast<int8_t>(i);
                return reading;
            }
        }
        return ValueReading::Refused(ValueReading::Result::NoMember);
    }

private:
    template <std::size_t N>
    struct MadeKeys {
        std::array<Hash32, N> keys{};
        uint32_t generation = 0;
        bool valid = false;
    };
};

}  // namespace rakor::Attrib

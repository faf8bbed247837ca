#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "host/HostApi.h"
#include "host/HostStorage.h"
#include "typedb/IAttribType.h"

namespace rakor::Attrib {

template <typename T>
class TypedValueImpl;
template <typename T>
class NumberValueImpl;

// The one descriptor implementation: T is the storage type whose bytes a value
// occupies, W the value class that views them.
template <typename T, typename W>
class AttribTypeImpl final : public IAttribType {
public:
    AttribTypeImpl(Hash32 typeHash, const HostTypeRow& row) : typeHash_(typeHash), row_(&row) {}

    Hash32 GetTypeHash() const override { return typeHash_; }
    const HostTypeRow& Row() const override { return *row_; }
    std::type_index GetNativeType() const override { return std::type_index(typeid(T)); }
    uint32_t GetSize() const override { return sizeof(T); }
    bool IsOutOfLine() const override { return GetSize() > 4; }

    std::shared_ptr<ITypedValue> CreateValue() const override {
        static_assert(std::is_base_of_v<TypedValueImpl<T>, W>,
                      "a value class must view the storage type it is registered with");
        auto value = std::make_shared<W>();
        // Fresh blocks start zeroed so that bytes Construct leaves alone are
        // never indeterminate; the block lives exactly as long as the value.
        value->AdoptStorage(std::make_unique<T>());
        value->SetTypeHash(typeHash_);
        value->Construct();
        return value;
    }

    std::shared_ptr<ITypedValue> BindValue(void* storage) const override {
        auto value = std::make_shared<W>();
        value->SetStorage(storage);
        value->SetTypeHash(typeHash_);
        return value;
    }

    std::vector<std::shared_ptr<ITypedValue>> BindArray(Host::ArrayHeader* array) const override {
        const uint16_t count = Host::LoadFrom<Host::ArrayHeader>(array).count;
        std::vector<std::shared_ptr<ITypedValue>> values;
        values.reserve(count);
        // Element addresses come from the host: only it knows how its records
        // pack elements of each type.
        for (uint16_t i = 0; i < count; ++i) {
            values.push_back(BindValue(Host::GetArrayElement(array, i)));
        }
        return values;
    }

    ValueReading ParseAt(void* storage, std::string_view text) const override {
        W value;
        value.SetStorage(storage);
        value.SetTypeHash(typeHash_);
        // Not virtual: W is the final class. A plain number reads the
        // script's text where it lies.
        ValueReading reading = value.W::Read(text);
        reading.typeKey = typeHash_.GetValue();
        return reading;
    }

    ValueReading ParseMemberAt(void* storage, std::string_view member,
                               std::string_view text) const override {
        W value;
        value.SetStorage(storage);
        value.SetTypeHash(typeHash_);
        return value.W::ReadMember(member, text);
    }

private:
    Hash32 typeHash_;
    const HostTypeRow* row_;
};

}  // namespace rakor::Attrib

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "typedb/AttribTypeRegistry.h"
#include "typedb/ITypedValue.h"

// Values are bound the way the field-editing actions bind them: through the
// registry, by the host type name, onto bytes the test owns.
namespace rakor::Attrib::Testing {

inline std::shared_ptr<IAttribType> TypeNamed(const char* typeName) {
    return AttribTypeRegistry::Instance().FindType(Hash32(typeName));
}

inline std::shared_ptr<ITypedValue> Bind(const char* typeName, void* storage) {
    const std::shared_ptr<IAttribType> type = TypeNamed(typeName);
    if (!type) {
        throw std::logic_error(std::string("type not registered: ") + typeName);
    }
    return type->BindValue(storage);
}

// The first (or index-th) value of a member of a structured value.
inline std::shared_ptr<ITypedValue> Member(const ITypedValue& value, const char* name,
                                           std::size_t index = 0) {
    return value.GetMembers().at(Hash32(name)).at(index);
}

template <typename T>
T Read(const void* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <std::size_t N>
std::array<uint8_t, N> Filled(uint8_t byte) {
    std::array<uint8_t, N> bytes;
    bytes.fill(byte);
    return bytes;
}

}  // namespace rakor::Attrib::Testing

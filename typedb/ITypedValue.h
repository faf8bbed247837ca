#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hash/Hashes.h"
#include "typedb/ValueReading.h"

namespace rakor::Attrib {

class ITypedValue;

// Members of a structured value: member-name hash to one value per element of
// the member, each bound into the parent's own storage. Ordered by hash value.
using MemberMap = std::map<Hash32, std::vector<std::shared_ptr<ITypedValue>>>;

// Payload of GetList. No value class gives it content; it exists to keep the
// interface's operations in the host-facing order.
using ValueList = std::array<uint32_t, 3>;

// A typed view of one value in memory that the view does not own. Operations
// refuse by returning false or an empty optional; they never throw on their
// own (hashing a name may throw, and that passes through).
//
// The virtual operations are declared in a fixed order that the rest of the
// library relies on when it documents a value class; keep new ones at the end.
class ITypedValue {
public:
    virtual ~ITypedValue() = default;

    virtual void SetStorage(void* storage) = 0;
    virtual void SetTypeHash(Hash32 typeHash) = 0;
    virtual Hash32 GetTypeHash() const = 0;
    virtual void* GetStorage() const = 0;
    // A value of the same type holding a copy of this value in storage of its own.
    virtual std::shared_ptr<ITypedValue> Clone() const = 0;
    // Puts the type's initial bytes into the storage.
    virtual void Construct() = 0;
    virtual std::optional<ValueList> GetList() const { return std::nullopt; }
    virtual MemberMap GetMembers() const { return {}; }
    virtual std::optional<std::string> ToString() const { return std::nullopt; }
    virtual std::optional<uint64_t> ToUInt64() const { return std::nullopt; }
    virtual std::optional<double> ToDouble() const { return std::nullopt; }
    // Stores the value the text gives; false when the text is not accepted.
    virtual bool Parse(const std::string& /*text*/) { return false; }
    virtual bool SetUInt64(uint64_t /*value*/) { return false; }
    virtual bool SetDouble(double /*value*/) { return false; }
    virtual bool SetWord(uint32_t /*word*/) { return false; }
    // Copies one value from `source` into the storage.
    virtual bool Assign(const void* /*source*/) { return false; }
    // Parse, saying what was read and stored. Types whose Parse refuses
    // every text (those set member by member, or not at all) need not
    // override it; readers of numbers say where the number stopped.
    virtual ValueReading Read(std::string_view text) {
        return Parse(std::string(text)) ? ValueReading::StoredText(text.size())
                                        : ValueReading::Refused(ValueReading::Result::NoTextForm);
    }
    // Sets one member from text: Read of the first value GetMembers lists
    // under Hash32(member); NoMember when there is none. Structured types do
    // the same without building the whole member map.
    virtual ValueReading ReadMember(std::string_view member, std::string_view text) {
        const MemberMap members = GetMembers();
        const auto found = members.find(Hash32(member));
        if (found == members.end() || found->second.empty()) {
            return ValueReading::Refused(ValueReading::Result::NoMember);
        }
        const std::shared_ptr<ITypedValue>& value = found->second.front();
        ValueReading reading = value->Read(text);
        reading.member = static_cast<int8_t>(std::distance(members.begin(), found));
        reading.typeKey = value->GetTypeHash().GetValue();
        return reading;
    }
    bool ParseMember(std::string_view member, std::string_view text) {
        return ReadMember(member, text).Stored();
    }

protected:
    ITypedValue() = default;
    ITypedValue(const ITypedValue&) = default;
    ITypedValue& operator=(const ITypedValue&) = default;
};

}  // namespace rakor::Attrib

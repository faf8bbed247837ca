#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typedb/KeyStructures.h"
#include "typedb/TypedValueImpl.h"

namespace rakor::Attrib::TypeDB {

// A string key field. Parsing a name sets its 32-bit key and its text; the
// 64-bit hash is set separately through the member "Collision64".
class StringKeyWrapper final : public ComplexValueImpl<StringKey> {
public:
    // Clears both hashes; the text pointer is the host's and stays.
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
    bool Parse(const std::string& text) override;
};

}  // namespace rakor::Attrib::TypeDB

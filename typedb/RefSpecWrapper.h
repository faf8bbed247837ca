#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typedb/KeyStructures.h"
#include "typedb/TypedValueImpl.h"

namespace rakor::Attrib::TypeDB {

// A collection reference field. It has no text form to parse: scripts set
// "Class" and "Collection" one at a time through the members.
class RefSpecWrapper final : public ComplexValueImpl<RefSpec> {
public:
    // Clears both keys; the third word is the host's and stays.
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    // "class->collection", each key resolved to its name.
    std::optional<std::string> ToString() const override;
};

}  // namespace rakor::Attrib::TypeDB

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typedb/GameStructures.h"
#include "typedb/TypedValueImpl.h"

// The game's structured field types. None is parsed from one text: the three
// records are edited member by member; the collection key not at all.
namespace rakor::Attrib::TypeDB {

// Members "Front", "Rear" (floats); text "Front=1.5 Rear=2". Construct writes nothing.
class AxlePairWrapper final : public ComplexValueImpl<AxlePair> {
public:
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// Members "Level" (int32), "Rep", "Cost" (floats); fixed text. Construct writes nothing.
class FECarPartInfoWrapper final : public ComplexValueImpl<FECarPartInfo> {
public:
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// Members "ClassKey", "DefinitionKey" (name hashes), "Scale" (float); fixed
// text. Construct clears both keys and leaves Scale alone.
class JunkmanModWrapper final : public ComplexValueImpl<JunkmanMod> {
public:
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// Shows the name of the collection the key names. Construct clears the key.
class GCollectionKeyWrapper final : public TrivialValueImpl<GCollectionKey> {
public:
    void Construct() override;
    std::optional<std::string> ToString() const override;
};

}  // namespace rakor::Attrib::TypeDB

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typedb/TypedValueImpl.h"
#include "typedb/Vectors.h"

// Vector and matrix fields. None is parsed from one text: scripts set one
// component at a time through the float members.
namespace rakor::Attrib::TypeDB {

// Members "X", "Y"; text {x, y}. Construct zeroes every component.
class AttribVector2 final : public ComplexValueImpl<lm::Vec2> {
public:
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// Members "X", "Y", "Z"; text {x, y, z}. Construct zeroes every component.
class AttribVector3 final : public ComplexValueImpl<lm::Vec3> {
public:
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// Members "X", "Y", "Z", "W"; text {x, y, z, w}. Construct zeroes every component.
class AttribVector4 final : public ComplexValueImpl<lm::Vec4> {
public:
    void Construct() override;
    MemberMap GetMembers() const override;
    ValueReading ReadMember(std::string_view member, std::string_view text) override;
    std::optional<std::string> ToString() const override;
};

// One member "Values" listing the four rows as Vector4 values. Construct
// writes nothing; the text is a fixed tag.
class AttribMatrix final : public ComplexValueImpl<lm::Matrix4> {
public:
    MemberMap GetMembers() const override;
    std::optional<std::string> ToString() const override;
};

}  // namespace rakor::Attrib::TypeDB

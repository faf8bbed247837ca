#include "typedb/VectorValues.h"

#include <fmt/format.h>

// Components are formatted as single-precision floats with "{}": the shortest
// text that reads back as the same float, e.g. {1, 0.5}.
namespace rakor::Attrib::TypeDB {

void AttribVector2::Construct() {
    *Storage() = lm::Vec2{0.0f, 0.0f};
}

MemberMap AttribVector2::GetMembers() const {
    lm::Vec2& v = *Storage();
    MemberMap members;
    members.emplace(Hash32("X"), std::vector{BindMember(v.x)});
    members.emplace(Hash32("Y"), std::vector{BindMember(v.y)});
    return members;
}

std::optional<std::string> AttribVector2::ToString() const {
    const lm::Vec2& v = *Storage();
    return fmt::format("{{{}, {}}}", v.x, v.y);
}

void AttribVector3::Construct() {
    *Storage() = lm::Vec3{0.0f, 0.0f, 0.0f};
}

MemberMap AttribVector3::GetMembers() const {
    lm::Vec3& v = *Storage();
    MemberMap members;
    members.emplace(Hash32("X"), std::vector{BindMember(v.x)});
    members.emplace(Hash32("Y"), std::vector{BindMember(v.y)});
    members.emplace(Hash32("Z"), std::vector{BindMember(v.z)});
    return members;
}

std::optional<std::string> AttribVector3::ToString() const {
    const lm::Vec3& v = *Storage();
    return fmt::format("{{{}, {}, {}}}", v.x, v.y, v.z);
}

void AttribVector4::Construct() {
    *Storage() = lm::Vec4{0.0f, 0.0f, 0.0f, 0.0f};
}

MemberMap AttribVector4::GetMembers() const {
    lm::Vec4& v = *Storage();
    MemberMap members;
    members.emplace(Hash32("X"), std::vector{BindMember(v.x)});
    members.emplace(Hash32("Y"), std::vector{BindMember(v.y)});
    members.emplace(Hash32("Z"), std::vector{BindMember(v.z)});
    members.emplace(Hash32("W"), std::vector{BindMember(v.w)});
    return members;
}

std::optional<std::string> AttribVector4::ToString() const {
    const lm::Vec4& v = *Storage();
    return fmt::format("{{{}, {}, {}, {}}}", v.x, v.y, v.z, v.w);
}

MemberMap AttribMatrix::GetMembers() const {
    lm::Matrix4& m = *Storage();
    std::vector<std::shared_ptr<ITypedValue>> rows;
    for (lm::Vec4& row : m.rows) {
        rows.push_back(BindMember(row));
    }
    MemberMap members;
    members.emplace(Hash32("Values"), std::move(rows));
    return members;
}

std::optional<std::string> AttribMatrix::ToString() const {
    return std::string("<Attrib.Types.Matrix>");
}

}  // namespace rakor::Attrib::TypeDB

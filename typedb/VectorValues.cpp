#include "typedb/VectorValues.h"

#include <array>
#include <cstddef>
#include <type_traits>

#include <fmt/format.h>

// Components are formatted as single-precision floats with "{}": the shortest
// text that reads back as the same float, e.g. {1, 0.5}.
namespace rakor::Attrib::TypeDB {
namespace {

constexpr std::array kVector2Members{
    MemberSlot::Native<float>("X", offsetof(lm::Vec2, x)),
    MemberSlot::Native<float>("Y", offsetof(lm::Vec2, y)),
};
constexpr std::array kVector3Members{
    MemberSlot::Native<float>("X", offsetof(lm::Vec3, x)),
    MemberSlot::Native<float>("Y", offsetof(lm::Vec3, y)),
    MemberSlot::Native<float>("Z", offsetof(lm::Vec3, z)),
};
constexpr std::array kVector4Members{
    MemberSlot::Native<float>("X", offsetof(lm::Vec4, x)),
    MemberSlot::Native<float>("Y", offsetof(lm::Vec4, y)),
    MemberSlot::Native<float>("Z", offsetof(lm::Vec4, z)),
    MemberSlot::Native<float>("W", offsetof(lm::Vec4, w)),
};

}  // namespace

void AttribVector2::Construct() {
    StoreStorage(lm::Vec2{0.0f, 0.0f});
}

MemberMap AttribVector2::GetMembers() const {
    return MembersOf(kVector2Members);
}

ValueReading AttribVector2::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kVector2Members>(member, text);
}

std::optional<std::string> AttribVector2::ToString() const {
    const lm::Vec2 v = LoadStorage();
    return fmt::format("{{{}, {}}}", v.x, v.y);
}

void AttribVector3::Construct() {
    StoreStorage(lm::Vec3{0.0f, 0.0f, 0.0f});
}

MemberMap AttribVector3::GetMembers() const {
    return MembersOf(kVector3Members);
}

ValueReading AttribVector3::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kVector3Members>(member, text);
}

std::optional<std::string> AttribVector3::ToString() const {
    const lm::Vec3 v = LoadStorage();
    return fmt::format("{{{}, {}, {}}}", v.x, v.y, v.z);
}

void AttribVector4::Construct() {
    StoreStorage(lm::Vec4{0.0f, 0.0f, 0.0f, 0.0f});
}

MemberMap AttribVector4::GetMembers() const {
    return MembersOf(kVector4Members);
}

ValueReading AttribVector4::ReadMember(std::string_view member, std::string_view text) {
    return ReadMemberOf<kVector4Members>(member, text);
}

std::optional<std::string> AttribVector4::ToString() const {
    const lm::Vec4 v = LoadStorage();
    return fmt::format("{{{}, {}, {}, {}}}", v.x, v.y, v.z, v.w);
}

MemberMap AttribMatrix::GetMembers() const {
    std::vector<std::shared_ptr<ITypedValue>> rows;
    for (std::size_t row = 0; row < std::extent_v<decltype(lm::Matrix4::rows)>; ++row) {
        rows.push_back(BindMember<lm::Vec4>(offsetof(lm::Matrix4, rows) + row * sizeof(lm::Vec4)));
    }
    MemberMap members;
    members.emplace(Hash32("Values"), std::move(rows));
    return members;
}

std::optional<std::string> AttribMatrix::ToString() const {
    return std::string("<Attrib.Types.Matrix>");
}

}  // namespace rakor::Attrib::TypeDB

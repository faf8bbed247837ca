#include <cstdint>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "typedb/Vectors.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Member;

TEST(VectorValues, ComponentsAreFloatMembersAtTheirOffsets) {
    lm::Vec3 v{1, 2, 3};
    const auto value = Bind("Attrib::Types::Vector3", &v);
    const MemberMap members = value->GetMembers();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members.at(Hash32("X")).at(0)->GetStorage(), &v.x);
    EXPECT_EQ(members.at(Hash32("Y")).at(0)->GetStorage(), &v.y);
    EXPECT_EQ(members.at(Hash32("Z")).at(0)->GetStorage(), &v.z);
    EXPECT_EQ(members.at(Hash32("Z")).at(0)->GetTypeHash(), Hash32("KQ::Reflection::Float"));
}

TEST(VectorValues, SettingAComponentChangesOnlyThatComponent) {
    lm::Vec2 v{1, 0.5f};
    const auto value = Bind("Attrib::Types::Vector2", &v);
    ASSERT_TRUE(Member(*value, "Y")->Parse("2.5"));
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(*value->ToString(), "{1, 2.5}");
}

TEST(VectorValues, TextFormAndConstruct) {
    lm::Vec4 v{0.1f, -3, 1e20f, 7};
    const auto value = Bind("Attrib::Types::Vector4", &v);
    EXPECT_EQ(*value->ToString(), "{0.1, -3, 1e+20, 7}");
    value->Construct();
    EXPECT_EQ(*value->ToString(), "{0, 0, 0, 0}");
    EXPECT_FALSE(value->Parse("{1, 2, 3, 4}"));
    EXPECT_EQ(v.x, 0.0f);
}

TEST(VectorValues, MatrixIsFourRowsAndAFixedTag) {
    lm::Matrix4 m{};
    m.rows[3].w = 9;
    const auto value = Bind("Attrib::Types::Matrix", &m);
    const MemberMap members = value->GetMembers();
    ASSERT_EQ(members.size(), 1u);
    const auto& rows = members.at(Hash32("Values"));
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->GetStorage(), &m.rows[i]);
    }
    EXPECT_EQ(*rows[3]->ToString(), "{0, 0, 0, 9}");
    EXPECT_FALSE(rows[0]->Parse("1"));
    EXPECT_FALSE(value->Parse("1"));
    EXPECT_EQ(*value->ToString(), "<Attrib.Types.Matrix>");
}

}  // namespace
}  // namespace rakor::Attrib

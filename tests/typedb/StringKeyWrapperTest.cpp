#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "typedb/KeyStructures.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Member;
using Testing::Read;

TEST(StringKeyWrapper, ParseSetsKeyAndTextButNotTheWideHash) {
    StringKey key{};
    const auto value = Bind("Attrib::StringKey", &key);
    ASSERT_TRUE(value->Parse("spoiler"));
    EXPECT_EQ(key.collision64.GetValue(), 0u);
    EXPECT_EQ(key.collision, Hash32("spoiler"));
    EXPECT_STREQ(key.visual, "spoiler");
    EXPECT_EQ(*value->ToString(), "spoiler");
    std::free(key.visual);
}

TEST(StringKeyWrapper, MembersEditTheirOwnBytesInPlace) {
    StringKey key{};
    const auto value = Bind("Attrib::StringKey", &key);
    EXPECT_EQ(value->GetMembers().size(), 3u);
    EXPECT_EQ(Member(*value, "Collision64")->GetStorage(), &key.collision64);
    EXPECT_EQ(Member(*value, "Collision")->GetStorage(), &key.collision);
    EXPECT_EQ(Member(*value, "Visual")->GetStorage(), &key.visual);

    ASSERT_TRUE(Member(*value, "Collision64")->Parse("a"));
    EXPECT_EQ(key.collision64.GetValue(), 0xE40C292Cu);
    EXPECT_EQ(key.collision.GetValue(), 0u);
    EXPECT_EQ(key.visual, nullptr);
    EXPECT_EQ(Member(*value, "Visual")->ToString(), std::string());  // null text
}

TEST(StringKeyWrapper, ConstructClearsHashesAndKeepsTheText) {
    auto bytes = Filled<16>(0xFF);
    Bind("Attrib::StringKey", bytes.data())->Construct();
    EXPECT_EQ(bytes, (std::array<uint8_t, 16>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                              0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace rakor::Attrib

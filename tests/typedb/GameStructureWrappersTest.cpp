#include <cstdint>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "typedb/GameStructures.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Member;
using Testing::Read;

TEST(GameStructureWrappers, AxlePairRearChangesAlone) {
    AxlePair pair{1, 2};
    const auto value = Bind("AxlePair", &pair);
    ASSERT_TRUE(Member(*value, "Rear")->Parse("3"));
    EXPECT_EQ(pair.front, 1.0f);
    EXPECT_EQ(*value->ToString(), "Front=1 Rear=3");
    EXPECT_EQ(Member(*value, "Front")->GetTypeHash(), Hash32("KQ::Reflection::Float"));
    EXPECT_FALSE(value->Parse("1"));
}

TEST(GameStructureWrappers, CarPartInfoLevelIsASignedInteger) {
    FECarPartInfo info{0, 0, 0};
    const auto value = Bind("FECarPartInfo", &info);
    const auto level = Member(*value, "Level");
    EXPECT_EQ(level->GetTypeHash(), Hash32("KQ::Reflection::Int32"));
    ASSERT_TRUE(level->Parse("-3.9"));
    ASSERT_TRUE(Member(*value, "Cost")->Parse("1500.5"));
    EXPECT_EQ(info.level, -3);
    EXPECT_EQ(info.rep, 0.0f);
    EXPECT_EQ(info.cost, 1500.5f);
    EXPECT_EQ(*value->ToString(), "<FECarPartInfoWrapper>");
}

TEST(GameStructureWrappers, JunkmanModKeysAreNameHashes) {
    JunkmanMod mod{Hash32(), Hash32(), 1.25f};
    const auto value = Bind("JunkmanMod", &mod);
    EXPECT_EQ(value->GetMembers().size(), 3u);
    ASSERT_TRUE(Member(*value, "ClassKey")->Parse("engine"));
    EXPECT_EQ(mod.classKey, Hash32("engine"));
    EXPECT_EQ(Member(*value, "ClassKey")->ToString(), "engine");
    EXPECT_EQ(mod.definitionKey.GetValue(), 0u);
    EXPECT_EQ(*value->ToString(), "<JunkmanModWrapper>");

    auto bytes = Filled<12>(0xFF);
    Bind("JunkmanMod", bytes.data())->Construct();
    EXPECT_EQ(bytes, (std::array<uint8_t, 12>{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(GameStructureWrappers, CollectionKeyShowsTheCollectionName) {
    GCollectionKey key{Hash32("stock_exhaust")};
    const auto value = Bind("GCollectionKey", &key);
    EXPECT_EQ(*value->ToString(), "stock_exhaust");
    EXPECT_TRUE(value->GetMembers().empty());
    EXPECT_FALSE(value->Parse("other"));
    key.key = Hash32(0xFEEDu);
    EXPECT_EQ(*value->ToString(), "[A::HR] Unresolved: 0xfeed");
    value->Construct();
    EXPECT_EQ(Read<uint32_t>(&key), 0u);
}

}  // namespace
}  // namespace rakor::Attrib

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "typedb/KeyStructures.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Member;

TEST(RefSpecWrapper, IsSetMemberByMemberNeverAsAWhole) {
    RefSpec ref{Hash32(), Hash32(), 0x12345678};
    const auto value = Bind("Attrib::RefSpec", &ref);
    EXPECT_FALSE(value->Parse("car->default"));
    EXPECT_EQ(ref.classKey.GetValue(), 0u);
    ASSERT_TRUE(Member(*value, "Class")->Parse("car"));
    ASSERT_TRUE(Member(*value, "Collection")->Parse("default"));
    EXPECT_EQ(ref.classKey, Hash32("car"));
    EXPECT_EQ(ref.collectionKey, Hash32("default"));
    EXPECT_EQ(ref.opaque, 0x12345678u);
    EXPECT_EQ(*value->ToString(), "car->default");
}

TEST(RefSpecWrapper, UnnamedKeysShowTheUnresolvedText) {
    RefSpec ref{Hash32(0x0BADF00Du), Hash32("default"), 0};
    EXPECT_EQ(*Bind("Attrib::RefSpec", &ref)->ToString(), "[A::HR] Unresolved: 0xbadf00d->default");
}

TEST(RefSpecWrapper, ConstructClearsKeysAndKeepsTheThirdWord) {
    auto bytes = Filled<12>(0xFF);
    Bind("Attrib::RefSpec", bytes.data())->Construct();
    EXPECT_EQ(bytes, (std::array<uint8_t, 12>{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace rakor::Attrib

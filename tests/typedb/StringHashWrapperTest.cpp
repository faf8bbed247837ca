#include <cstdint>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Read;

TEST(StringHashWrapper, Hash32FieldShowsTheNameItWasParsedFrom) {
    auto bytes = Filled<8>(0xAA);
    const auto value = Bind("Attrib::StringHashWrapper32", bytes.data());
    ASSERT_TRUE(value->Parse("brakes_rear"));
    EXPECT_EQ(Read<uint32_t>(bytes.data()), Hash32("brakes_rear").GetValue());
    EXPECT_EQ(bytes[4], 0xAA);
    EXPECT_EQ(*value->ToString(), "brakes_rear");
    value->Construct();
    EXPECT_EQ(Read<uint32_t>(bytes.data()), 0u);
}

TEST(StringHashWrapper, Hash64FieldIsFnv1aShownInHexadecimal) {
    auto bytes = Filled<8>(0xAA);
    const auto value = Bind("Attrib::StringHashWrapper64", bytes.data());
    ASSERT_TRUE(value->Parse(""));
    EXPECT_EQ(Read<uint64_t>(bytes.data()), 2166136261u);
    EXPECT_EQ(*value->ToString(), "811c9dc5");
    EXPECT_FALSE(value->ToUInt64());
}

}  // namespace
}  // namespace rakor::Attrib

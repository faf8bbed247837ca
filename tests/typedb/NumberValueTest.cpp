#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Read;

// Parse writes exactly the field's bytes, little-endian.
TEST(NumberValueParse, StoresTheNumberInTheFieldBytesOnly) {
    auto bytes = Filled<8>(0xAA);
    ASSERT_TRUE(Bind("KQ::Reflection::Int32", bytes.data())->Parse(" 42"));
    EXPECT_EQ(bytes, (std::array<uint8_t, 8>{0x2A, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}));

    bytes = Filled<8>(0xAA);
    ASSERT_TRUE(Bind("KQ::Reflection::UInt16", bytes.data())->Parse("65535"));
    EXPECT_EQ(bytes, (std::array<uint8_t, 8>{0xFF, 0xFF, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));

    bytes = Filled<8>(0xAA);
    ASSERT_TRUE(Bind("KQ::Reflection::Float", bytes.data())->Parse("2.5"));
    EXPECT_EQ(Read<float>(bytes.data()), 2.5f);
    EXPECT_EQ(bytes[4], 0xAA);
}

TEST(NumberValueParse, NumberEndsAtTheFirstCharacterThatCannotContinueIt) {
    int32_t integer = 0;
    const auto value = Bind("KQ::Reflection::Int32", &integer);
    const std::pair<const char*, int32_t> cases[] = {{"12abc", 12}, {"1e3", 1},  {"0x1F", 0},
                                                     {"42 ", 42},   {"42;", 42}, {"-5", -5}};
    for (const auto& [text, expected] : cases) {
        integer = 99;
        EXPECT_TRUE(value->Parse(text)) << text;
        EXPECT_EQ(integer, expected) << text;
    }
    float real = 0;
    ASSERT_TRUE(Bind("KQ::Reflection::Float", &real)->Parse("1e3"));
    EXPECT_EQ(real, 1000.0f);
}

TEST(NumberValueParse, FailedParseLeavesFieldUnchanged) {
    const std::pair<const char*, const char*> cases[] = {
        {"KQ::Reflection::Int32", "abc"},        {"KQ::Reflection::Int32", ""},
        {"KQ::Reflection::Int32", "2147483648"}, {"KQ::Reflection::UInt32", "4294967296"},
        {"KQ::Reflection::Int16", "32768"},      {"KQ::Reflection::Int16", "-32769"},
        {"KQ::Reflection::UInt16", "65536"},     {"KQ::Reflection::Float", "abc"},
        {"KQ::Reflection::Float", "1e50"},
    };
    for (const auto& [typeName, text] : cases) {
        auto bytes = Filled<4>(0x5C);
        EXPECT_FALSE(Bind(typeName, bytes.data())->Parse(text)) << typeName << " " << text;
        EXPECT_EQ(bytes, Filled<4>(0x5C)) << typeName << " " << text;
    }
}

TEST(NumberValueText, DecimalAndSixDecimalFloatsAndExtensionBySignedness) {
    float real = 1.5f;
    EXPECT_EQ(*Bind("KQ::Reflection::Float", &real)->ToString(), "1.500000");
    int16_t negative = -2;
    const auto small = Bind("KQ::Reflection::Int16", &negative);
    EXPECT_EQ(*small->ToString(), "-2");
    EXPECT_EQ(*small->ToUInt64(), std::numeric_limits<uint64_t>::max() - 1);
    uint32_t large = 0xFFFFFFFF;
    const auto wide = Bind("KQ::Reflection::UInt32", &large);
    EXPECT_EQ(*wide->ToUInt64(), 4294967295u);
    EXPECT_EQ(*wide->ToDouble(), 4294967295.0);
    real = -1.0f;  // a negative float gives its two's-complement pattern
    EXPECT_EQ(*Bind("KQ::Reflection::Float", &real)->ToUInt64(),
              std::numeric_limits<uint64_t>::max());
}

TEST(NumberValueSetters, KeepTheLowBitsAndTruncateTowardZero) {
    auto bytes = Filled<4>(0xAA);
    const auto word = Bind("KQ::Reflection::UInt16", bytes.data());
    EXPECT_TRUE(word->SetUInt64(65537));
    EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x01, 0x00, 0xAA, 0xAA}));
    EXPECT_TRUE(word->SetDouble(65537.9));
    EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x01, 0x00, 0xAA, 0xAA}));

    int32_t integer = 0;
    EXPECT_TRUE(Bind("KQ::Reflection::Int32", &integer)->SetDouble(-1.7));
    EXPECT_EQ(integer, -1);
    float real = 0;
    EXPECT_TRUE(Bind("KQ::Reflection::Float", &real)->SetUInt64(3));
    EXPECT_EQ(real, 3.0f);
}

TEST(BoolValue, OnlyTheExactTextTrueStoresOne) {
    auto bytes = Filled<2>(0xAA);
    const auto value = Bind("KQ::Reflection::Bool", bytes.data());
    ASSERT_TRUE(value->Parse("True"));
    EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x01, 0xAA}));
    EXPECT_EQ(*value->ToString(), "True");
    for (const char* text : {"TRUE", "true", "1", "False", ""}) {
        bytes[0] = 1;
        EXPECT_TRUE(value->Parse(text)) << text;
        EXPECT_EQ(bytes[0], 0) << text;
    }
    EXPECT_EQ(bytes[1], 0xAA);
}

TEST(BoolValue, ReadsTheRawHostByte) {
    uint8_t byte = 2;
    const auto value = Bind("KQ::Reflection::Bool", &byte);
    EXPECT_EQ(*value->ToString(), "False");
    EXPECT_EQ(*value->ToUInt64(), 2u);
    EXPECT_TRUE(value->SetDouble(-1.7));
    EXPECT_EQ(byte, 1);
    EXPECT_TRUE(value->SetDouble(0.0));
    EXPECT_EQ(byte, 0);
    EXPECT_TRUE(value->SetDouble(std::nan("")));
    EXPECT_EQ(byte, 1);
    EXPECT_TRUE(value->SetUInt64(256));
    EXPECT_EQ(byte, 1);
}

}  // namespace
}  // namespace rakor::Attrib

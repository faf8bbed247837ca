#include <array>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "host/HostRecords.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::TypeNamed;

constexpr uint8_t kGuard = 0xAA;  // the byte after a one-byte field

// Each operation on a one-byte field followed by a guard byte.
TEST(EightBitNumber, EightBitTypesWriteOneByte) {
    for (const char* typeName : {"KQ::Reflection::UInt8", "KQ::Reflection::Int8"}) {
        SCOPED_TRACE(typeName);
        std::array<uint8_t, 2> bytes = {0, kGuard};
        const auto value = Bind(typeName, bytes.data());
        EXPECT_TRUE(value->Parse("100"));
        EXPECT_EQ(bytes, (std::array<uint8_t, 2>{100, kGuard}));
        EXPECT_TRUE(value->SetUInt64(0x1234));
        EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x34, kGuard}));
        EXPECT_TRUE(value->SetDouble(300.0));  // 0x12C
        EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x2C, kGuard}));
        const std::array<uint8_t, 2> source = {7, 0x55};
        EXPECT_TRUE(value->Assign(source.data()));
        EXPECT_EQ(bytes, (std::array<uint8_t, 2>{7, kGuard}));
    }
}

TEST(EightBitNumber, ReadsOnlyTheFieldByte) {
    std::array<uint8_t, 2> bytes = {5, kGuard};
    const auto unsignedValue = Bind("KQ::Reflection::UInt8", bytes.data());
    EXPECT_EQ(*unsignedValue->ToString(), "5");
    EXPECT_EQ(*unsignedValue->ToUInt64(), 5u);
    EXPECT_EQ(*unsignedValue->ToDouble(), 5.0);

    const auto clone = unsignedValue->Clone();
    ASSERT_TRUE(clone);
    EXPECT_EQ(*clone->ToUInt64(), 5u);
    EXPECT_EQ(static_cast<const uint8_t*>(clone->GetStorage())[1], 0);  // guard not copied

    bytes[0] = 0xFE;
    const auto signedValue = Bind("KQ::Reflection::Int8", bytes.data());
    EXPECT_EQ(*signedValue->ToString(), "-2");
    EXPECT_EQ(*signedValue->ToUInt64(), std::numeric_limits<uint64_t>::max() - 1);
    EXPECT_EQ(*signedValue->ToDouble(), -2.0);
}

TEST(EightBitNumber, TextIsANumberInTheEightBitRangeOfItsSignedness) {
    struct Case {
        const char* typeName;
        const char* text;
        bool accepted;
        uint8_t stored;
    };
    const Case cases[] = {
        {"KQ::Reflection::UInt8", "255", true, 0xFF},
        {"KQ::Reflection::UInt8", "0", true, 0},
        {"KQ::Reflection::UInt8", "256", false, 0x11},
        {"KQ::Reflection::UInt8", "-1", false, 0x11},
        {"KQ::Reflection::UInt8", "A", false, 0x11},
        // A 16-bit unsigned read would wrap these into range (1 and 255).
        {"KQ::Reflection::UInt8", "-65535", false, 0x11},
        {"KQ::Reflection::UInt8", "-65281", false, 0x11},
        {"KQ::Reflection::UInt8", " +7x", true, 7},
        {"KQ::Reflection::Int8", "-128", true, 0x80},
        {"KQ::Reflection::Int8", "127", true, 0x7F},
        {"KQ::Reflection::Int8", "128", false, 0x11},
        {"KQ::Reflection::Int8", "-129", false, 0x11},
        {"KQ::Reflection::Int8", "70000", false, 0x11},
        {"KQ::Reflection::Int8", "65535", false, 0x11},
        {"KQ::Reflection::Int8", "-99999999999999999999", false, 0x11},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 2> bytes = {0x11, kGuard};
        EXPECT_EQ(Bind(c.typeName, bytes.data())->Parse(c.text), c.accepted)
            << c.typeName << " " << c.text;
        EXPECT_EQ(bytes, (std::array<uint8_t, 2>{c.stored, kGuard})) << c.typeName << " " << c.text;
    }
}

TEST(EightBitNumber, ElementsOfAOneByteArrayStayApart) {
    alignas(4) uint8_t record[8 + 3] = {};
    auto* header = reinterpret_cast<Host::ArrayHeader*>(record);
    header->capacity = 3;
    header->count = 3;
    header->elementSize = 1;
    const auto elements = TypeNamed("KQ::Reflection::UInt8")->BindArray(header);
    ASSERT_EQ(elements.size(), 3u);
    ASSERT_TRUE(elements[1]->Parse("200"));
    ASSERT_TRUE(elements[0]->SetUInt64(9));
    EXPECT_EQ(record[8], 9);
    EXPECT_EQ(record[9], 200);
    EXPECT_EQ(record[10], 0);
}

}  // namespace
}  // namespace rakor::Attrib

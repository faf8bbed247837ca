#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "hash/Hashes.h"
#include "hash/StringHasher.h"
#include "host/HostApi.h"

namespace rakor::Attrib {
namespace {

class StringHashTest : public ::testing::Test {
protected:
    void SetUp() override { HashResolver::ResetForTesting(); }
};

TEST_F(StringHashTest, Hash64IsFnv1aWidenedTo64Bits) {
    EXPECT_EQ(Hash64("").GetValue(), 0x811C9DC5u);
    EXPECT_EQ(Hash64("a").GetValue(), 0xE40C292Cu);
    EXPECT_EQ(Hash64("abc").GetValue(), 0x1A47E90Bu);
    EXPECT_EQ(Hash64("abc").ToString(), "1a47e90b");
    // No hexadecimal form: "0x10" is hashed like any other text.
    EXPECT_NE(Hash64("0x10").GetValue(), 0x10u);
    // Every byte counts, an embedded NUL too.
    EXPECT_NE(Hash64(std::string("a\0b", 3)).GetValue(), Hash64("a").GetValue());
}

TEST_F(StringHashTest, Hash64TextShowsAllSignificantDigits) {
    EXPECT_EQ(Hash64(uint64_t{0x123456789ABCDEF0}).ToString(), "123456789abcdef0");
    EXPECT_EQ(Hash64(uint64_t{0}).ToString(), "0");
}

TEST_F(StringHashTest, HexadecimalNamesAreKeysWrittenOut) {
    EXPECT_EQ(Hash32("0xff").GetValue(), 255u);
    EXPECT_EQ(Hash32("0xFF").GetValue(), 255u);
    EXPECT_EQ(Hash32("0xFF").ToString(), "0xFF");  // the resolver keeps the text as written
    EXPECT_EQ(Hash32("0xffffffff").GetValue(), 0xFFFFFFFFu);
    EXPECT_EQ(Hash32("0x00000000ff").GetValue(), 255u);
    // The digits are read from the start; what follows them is ignored.
    EXPECT_EQ(Hash32("0x1Fz").GetValue(), 0x1Fu);
}

TEST_F(StringHashTest, MalformedHexadecimalNamesThrowStandardErrors) {
    EXPECT_THROW(Hash32("0xZZ"), std::invalid_argument);
    EXPECT_THROW(Hash32("0x"), std::invalid_argument);
    EXPECT_THROW(Hash32("0x123456789"), std::out_of_range);
    // A key has no sign or blank: the standard conversion would read "0x-1"
    // as the largest key.
    for (const char* name : {"0x-1", "0x+1", "0x 1", "0x-FFFFFFFF"}) {
        EXPECT_THROW((void)Hash32(name), std::invalid_argument) << name;
        EXPECT_TRUE(StringHasher::Refuses(name)) << name;
    }
    EXPECT_FALSE(StringHasher::Refuses("0x1F"));
    EXPECT_FALSE(StringHasher::Refuses("car"));
}

TEST_F(StringHashTest, OtherNamesGoToTheHostHash) {
    for (const char* name : {"car", "0123", "xenon", "0X10", ""}) {
        EXPECT_EQ(Hash32(name).GetValue(), Host::HashString32(name)) << name;
    }
    EXPECT_EQ(Hash32("car"), Hash32(std::string("car")));
}

TEST_F(StringHashTest, ConstructionFromTextRecordsTheName) {
    const Hash32 hash("Gears");
    EXPECT_EQ(hash.ToString(), "Gears");
    EXPECT_EQ(Hash32("").ToString().rfind("[A::HR] Unresolved: 0x", 0), 0u)
        << "the empty name counts as no name";
}

TEST_F(StringHashTest, HashesCopyAsOnePlainWord) {
    const Hash32 hash("Grip");
    uint32_t word = 0;
    std::memcpy(&word, &hash, sizeof word);
    EXPECT_EQ(word, Host::HashString32("Grip"));
}

}  // namespace
}  // namespace rakor::Attrib

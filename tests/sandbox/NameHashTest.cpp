#include <cstdint>

#include <gtest/gtest.h>

#include "host/HostApi.h"
#include "sandbox/NameHash.h"

namespace rakor::Sandbox {
namespace {

// The library hashes its type names from static initialisers, before any
// database exists; this one runs in the same phase.
const uint32_t kHashedDuringStaticInit = Host::HashString32("HashedDuringStaticInit");

TEST(NameHashTest, IsZlibCrc32OverTheNameBytes) {
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0x00000000u);
    EXPECT_EQ(Crc32("a"), 0xE8B7BE43u);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    // Bytes above 0x7F must not be sign-extended into the table index.
    EXPECT_EQ(Crc32("\xFF"), 0xFF000000u);
}

TEST(NameHashTest, HostHashIsTheSameCrcAndWorksWithoutADatabase) {
    EXPECT_EQ(kHashedDuringStaticInit, Crc32("HashedDuringStaticInit"));
    EXPECT_EQ(NameOf(kHashedDuringStaticInit), "HashedDuringStaticInit");
    EXPECT_EQ(Host::HashString32("123456789"), 0xCBF43926u);
}

TEST(NameHashTest, HashedNamesAreRememberedAndPlainCrcIsNot) {
    const uint32_t remembered = HashName("RememberedGripName");
    EXPECT_EQ(NameOf(remembered), "RememberedGripName");
    EXPECT_EQ(NameOrHex(remembered), "RememberedGripName");

    const uint32_t unremembered = Crc32("NeverHashedAsAName");
    EXPECT_EQ(NameOf(unremembered), std::nullopt);
    EXPECT_EQ(NameOrHex(0x0000ABCDu), "0x0000ABCD");
}

TEST(NameHashTest, FirstNameOfACollidingKeyIsKept) {
    // A well-known pair of names with the same CRC-32.
    ASSERT_EQ(Crc32("plumless"), Crc32("buckeroo"));
    const uint32_t key = HashName("plumless");
    HashName("buckeroo");
    EXPECT_EQ(NameOf(key), "plumless");
}

}  // namespace
}  // namespace rakor::Sandbox

#include <gtest/gtest.h>

#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "support/TempDirectory.h"

namespace rakor::Attrib {
namespace {

using vexa::test::TempDirectory;

class HashResolverTest : public ::testing::Test {
protected:
    void SetUp() override { HashResolver::ResetForTesting(); }
    void TearDown() override { HashResolver::ResetForTesting(); }

    TempDirectory cwd_{/*enter=*/true};
};

TEST_F(HashResolverTest, UnknownHashesShowTheUnresolvedText) {
    EXPECT_EQ(HashResolver::Resolve(255), "[A::HR] Unresolved: 0xff");
    EXPECT_EQ(HashResolver::Resolve(0), "[A::HR] Unresolved: 0x0");
}

TEST_F(HashResolverTest, ResolvingAnUnnamedHashTwiceLeavesOneEmptyEntry) {
    const std::size_t before = HashResolver::TableSizeForTesting();
    EXPECT_EQ(HashResolver::Resolve(0xABCD), HashResolver::Resolve(0xABCD));
    EXPECT_EQ(HashResolver::TableSizeForTesting(), before + 1);
}

TEST_F(HashResolverTest, RecordedNamesResolveWithoutAList) {
    HashResolver::Record(7, "seven");
    EXPECT_EQ(HashResolver::Resolve(7), "seven");
    HashResolver::Record(7, "");
    EXPECT_EQ(HashResolver::Resolve(7), "[A::HR] Unresolved: 0x7");
}

TEST_F(HashResolverTest, ListLinesAreNamesAsWritten) {
    // Saved by a Windows editor: a byte-order mark first, which is no part of a name.
    cwd_.Write("Qzr/VLTHashes.txt",
               "\xEF\xBB\xBF"
               "Grip\r\nwith blank \n0x10\nlast");
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("Grip")), "Grip");
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("with blank ")), "with blank ");
    // A list line that looks hexadecimal is still an ordinary name.
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("0x10")), "0x10");
    EXPECT_EQ(HashResolver::Resolve(0x10), "[A::HR] Unresolved: 0x10");
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("last")), "last");
}

TEST_F(HashResolverTest, ListIsReadOnceAtTheFirstResolve) {
    HashResolver::Record(Host::HashString32("Grip"), "recorded before");
    cwd_.Write("Qzr/VLTHashes.txt", "Grip\n");
    // The list replaces what was recorded before it was read...
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("Grip")), "Grip");
    // ...and is not read again, even when it changes.
    cwd_.Write("Qzr/VLTHashes.txt", "Grip\nLater\n");
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("Later")).rfind("[A::HR]", 0), 0u);
    // Names recorded after the list win over it.
    HashResolver::Record(Host::HashString32("Grip"), "recorded after");
    EXPECT_EQ(HashResolver::Resolve(Host::HashString32("Grip")), "recorded after");
}

TEST_F(HashResolverTest, MissingListIsSilent) {
    Hash32 name("OnlyRecorded");
    EXPECT_EQ(name.ToString(), "OnlyRecorded");
}

}  // namespace
}  // namespace rakor::Attrib

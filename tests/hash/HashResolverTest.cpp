#include <cstdint>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
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

// The table against the ordered map of one name per hash that it stands in
// for, over a long run of what scripts and messages do to it: names made into
// keys (texts hashing alike, hexadecimal forms of one key, a text with a NUL,
// a long text, thousands of distinct names), names recorded by hand, lookups
// of named and unnamed keys, and the hash list read at the first lookup.
TEST_F(HashResolverTest, KeepsTheNamesAnOrderedMapOfNamesKeeps) {
    std::vector<std::string> texts = {"",     "Grip",   "grip",     "0xff",
                                      "0xFF", "0x00ff", "0xZZ",     std::string("a\0b", 3),
                                      "a",    "0x10",   "listed_3", std::string(20000, 'x')};
    texts.push_back(fmt::format("0x{:x}", Host::HashString32("Grip")));
    for (int i = 0; i < 3000; ++i) {
        texts.push_back("name_" + std::to_string(i));
    }
    std::string list = "Grip\nname_7\n0x10\n\n";
    for (int i = 0; i < 500; ++i) {
        list += "listed_" + std::to_string(i) + "\n";
    }
    cwd_.Write("Qzr/VLTHashes.txt", list);

    std::map<uint32_t, std::string> model;
    bool listLoaded = false;
    const auto resolve = [&](uint32_t hash) {
        if (!listLoaded) {
            std::size_t start = 0;
            for (std::size_t end; (end = list.find('\n', start)) != std::string::npos;
                 start = end + 1) {
                const std::string line = list.substr(start, end - start);
                model[Host::HashString32(line.c_str())] = line;
            }
            listLoaded = true;
        }
        const std::string& name = model[hash];
        return name.empty() ? fmt::format("[A::HR] Unresolved: 0x{:x}", hash) : name;
    };

    std::mt19937 random(7);
    std::vector<uint32_t> keys = {0, 255, 0x10};
    for (int step = 0; step < 40000; ++step) {
        const std::string& text = texts[random() % texts.size()];
        const uint32_t roll = random() % 10;
        if (roll < 6) {
            uint32_t expected = 0;
            try {
                expected = StringHasher::HashText(text);
            } catch (const std::invalid_argument&) {
                EXPECT_THROW(Hash32{text}, std::invalid_argument);
                continue;
            }
            ASSERT_EQ(Hash32(text).GetValue(), expected) << text;
            model[expected] = text;
            keys.push_back(expected);
        } else if (roll < 7) {
            const uint32_t hash = keys[random() % keys.size()];
            HashResolver::Record(hash, text);
            model[hash] = text;
        } else {
            const uint32_t hash = roll < 9 ? keys[random() % keys.size()] : random();
            ASSERT_EQ(HashResolver::Resolve(hash), resolve(hash)) << step;
        }
    }
    EXPECT_EQ(HashResolver::TableSizeForTesting(), model.size());
}

TEST_F(HashResolverTest, MissingListIsSilent) {
    Hash32 name("OnlyRecorded");
    EXPECT_EQ(name.ToString(), "OnlyRecorded");
}

}  // namespace
}  // namespace rakor::Attrib

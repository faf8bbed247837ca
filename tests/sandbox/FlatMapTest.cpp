#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <unordered_map>

#include <gtest/gtest.h>

#include "sandbox/FlatMap.h"

namespace rakor::Sandbox {
namespace {

// The sandbox's map against std::unordered_map over a long run of the
// operations the sandbox uses, with keys from a small range so that probe
// runs collide, wrap around the table and are shifted back on erasure.
TEST(FlatMap, AgreesWithStdUnorderedMap) {
    FlatMap<uint32_t, int> map;
    std::unordered_map<uint32_t, int> expected;
    std::mt19937 random(11);
    for (int step = 0; step < 200000; ++step) {
        const uint32_t key = random() % 700;
        const int value = static_cast<int>(random() % 1000);
        switch (random() % 6) {
            case 0:
                EXPECT_EQ(map.try_emplace(key, value).second,
                          expected.try_emplace(key, value).second);
                break;
            case 1:
                map[key] = value;
                expected[key] = value;
                break;
            case 2:
            case 3:
                EXPECT_EQ(map.erase(key), expected.erase(key));
                break;
            case 4: {
                const auto found = map.find(key);
                const auto wanted = expected.find(key);
                ASSERT_EQ(found == map.end(), wanted == expected.end()) << key;
                if (wanted != expected.end()) {
                    EXPECT_EQ(found->second, wanted->second);
                }
                break;
            }
            default:
                EXPECT_EQ(map.contains(key), expected.contains(key));
                break;
        }
        if (step % 50000 == 49999) {
            ASSERT_EQ(map.size(), expected.size());
            std::map<uint32_t, int> listed;
            for (const auto& [listedKey, listedValue] : map) {
                listed.emplace(listedKey, listedValue);
            }
            const std::map<uint32_t, int> wanted(expected.begin(), expected.end());
            EXPECT_EQ(listed, wanted);
        }
    }
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.begin(), map.end());
}

// Values it owns go when erased, replaced or cleared, and not before.
TEST(FlatMap, OwnedValuesLiveExactlyAsLongAsTheirEntries) {
    const auto counter = std::make_shared<int>(0);
    FlatMap<const void*, std::shared_ptr<int>> map;
    int places[40];
    for (int& place : places) {
        map.try_emplace(&place, counter);
    }
    EXPECT_EQ(counter.use_count(), 41);
    for (int i = 0; i < 40; i += 2) {
        map.erase(&places[i]);
    }
    EXPECT_EQ(counter.use_count(), 21);
    map.insert_or_assign(&places[1], nullptr);
    EXPECT_EQ(counter.use_count(), 20);
    map.clear();
    EXPECT_EQ(counter.use_count(), 1);
}

// Keys of any kind with a hash of their own (vxmod keeps what lines change
// by class, collection, field, element and member), the zero key among them,
// and 64-bit keys that differ only in their high half.
TEST(FlatMap, TakesKeysOfAnyKindWithTheirOwnHash) {
    struct Pair {
        uint32_t a = 0;
        int32_t b = -1;
        bool operator==(const Pair&) const = default;
    };
    struct PairHash {
        uint32_t operator()(const Pair& key) const noexcept {
            return static_cast<uint32_t>(
                ((uint64_t{key.a} << 32 | static_cast<uint32_t>(key.b)) * 0x9E3779B97F4A7C15ull) >>
                32);
        }
    };
    FlatMap<Pair, int, PairHash> pairs;
    FlatMap<uint64_t, int> wide;
    for (uint32_t i = 0; i < 3000; ++i) {
        pairs[{i % 60, static_cast<int32_t>(i / 60) - 1}] = static_cast<int>(i);
        wide[uint64_t{i} << 32] = static_cast<int>(i);
    }
    EXPECT_EQ(pairs.size(), 3000u);
    EXPECT_EQ(wide.size(), 3000u);
    ASSERT_NE(pairs.lookup(Pair{}), nullptr);  // {0, -1}: the zero key
    EXPECT_EQ(*pairs.lookup(Pair{}), 0);
    EXPECT_EQ(*pairs.lookup({7, 3}), 7 + 4 * 60);
    EXPECT_EQ(*wide.lookup(uint64_t{2999} << 32), 2999);
    EXPECT_EQ(pairs.erase(Pair{}), 1u);
    EXPECT_EQ(pairs.lookup(Pair{}), nullptr);
}

}  // namespace
}  // namespace rakor::Sandbox

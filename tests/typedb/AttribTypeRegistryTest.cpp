#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <typeindex>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "typedb/AttribTypeRegistry.h"
#include "typedb/GameStructures.h"
#include "typedb/KeyStructures.h"
#include "typedb/Vectors.h"

namespace rakor::Attrib {
namespace {

using Testing::TypeNamed;

struct Row {
    const char* name;
    std::type_index native;
    uint32_t size;
};

// The host's type table, in registration order.
const Row kTable[] = {
    {"AxlePair", typeid(AxlePair), 8},
    {"GCollectionKey", typeid(GCollectionKey), 4},
    {"FECarPartInfo", typeid(FECarPartInfo), 12},
    {"JunkmanMod", typeid(JunkmanMod), 12},
    {"Attrib::Types::Vector2", typeid(lm::Vec2), 8},
    {"Attrib::Types::Vector3", typeid(lm::Vec3), 12},
    {"Attrib::Types::Vector4", typeid(lm::Vec4), 16},
    {"Attrib::Types::Matrix", typeid(lm::Matrix4), 64},
    {"KQ::Reflection::UInt8", typeid(unsigned short), 2},
    {"KQ::Reflection::Int8", typeid(short), 2},
    {"KQ::Reflection::UInt16", typeid(unsigned short), 2},
    {"KQ::Reflection::Int16", typeid(short), 2},
    {"KQ::Reflection::UInt32", typeid(unsigned int), 4},
    {"KQ::Reflection::Int32", typeid(int), 4},
    {"KQ::Reflection::Float", typeid(float), 4},
    {"KQ::Reflection::Bool", typeid(bool), 1},
    {"Attrib::RefSpec", typeid(RefSpec), 12},
    {"Attrib::StringHashWrapper32", typeid(Hash32), 4},
    {"Attrib::StringHashWrapper64", typeid(Hash64), 8},
    {"Attrib::StringKey", typeid(StringKey), 16},
    {"KQ::Reflection::Text", typeid(char*), 4},
};

TEST(AttribTypeRegistryContents, HoldsEveryHostTypeWithItsStorageAndSize) {
    std::size_t registered = 0;
    for (const auto& [hash, type] : AttribTypeRegistry::Instance().Types()) {
        registered += type ? 1 : 0;
    }
    EXPECT_EQ(registered, 21u);
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.name);
        const auto type = TypeNamed(row.name);
        ASSERT_TRUE(type);
        EXPECT_EQ(type->GetTypeHash(), Hash32(row.name));
        EXPECT_EQ(type->GetNativeType(), row.native);
        EXPECT_EQ(type->GetSize(), row.size);
        // The collection entry's value word holds the value only up to 4 bytes.
        EXPECT_EQ(type->IsOutOfLine(), row.size > 4);
    }
}

TEST(AttribTypeRegistryContents, SixteenBitStorageNamesTheSixteenBitTypes) {
    auto& registry = AttribTypeRegistry::Instance();
    // A lookup of a storage type never registered leaves an entry of hash 0
    // (another test makes one): only the registered ones count.
    std::size_t registered = 0;
    for (const auto& [native, hash] : registry.NativeTypes()) {
        registered += hash.GetValue() != 0 ? 1 : 0;
    }
    EXPECT_EQ(registered, 19u);
    EXPECT_EQ(registry.FindNativeType<unsigned short>(), Hash32("KQ::Reflection::UInt16"));
    EXPECT_EQ(registry.FindNativeType<short>(), Hash32("KQ::Reflection::Int16"));
    EXPECT_EQ(registry.FindNativeType<float>(), Hash32("KQ::Reflection::Float"));
    EXPECT_EQ(TypeNamed("KQ::Reflection::UInt8")->GetSize(), 2u);
}

TEST(AttribTypeRegistryLookup, UnregisteredHashLeavesOneEmptyEntry) {
    auto& registry = AttribTypeRegistry::Instance();
    // A hash nothing has looked up yet, whatever ran before in this process.
    Hash32 unknown(uint32_t{1});
    while (registry.Types().contains(unknown)) {
        unknown = Hash32(unknown.GetValue() + 1);
    }
    const std::size_t before = registry.Types().size();
    EXPECT_FALSE(registry.FindType(unknown));
    EXPECT_FALSE(registry.FindType(unknown));
    EXPECT_EQ(registry.Types().size(), before + 1);
}

TEST(AttribTypeRegistryLookup, BindingAnUnregisteredStorageTypeThrows) {
    struct NeverRegistered {};
    NeverRegistered storage;
    auto& registry = AttribTypeRegistry::Instance();
    EXPECT_EQ(registry.FindNativeType<NeverRegistered>().GetValue(), 0u);
    try {
        registry.BindNative<NeverRegistered>(&storage);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Attempting to bind an unknown AttribSys type");
    }
}

}  // namespace
}  // namespace rakor::Attrib

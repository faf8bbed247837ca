#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "host/HostRecords.h"
#include "typedb/ITypedValue.h"
#include "typedb/Vectors.h"

// Live allocations through operator new, to see that the blocks CreateValue
// and Clone allocate go away with their value objects.
namespace {
std::atomic<long> gLiveAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        ++gLiveAllocations;
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block != nullptr) {
        --gLiveAllocations;
        std::free(block);
    }
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::Read;
using Testing::TypeNamed;

TEST(AttribTypeImplBinding, BindingAndReleasingNeverTouchesTheStorage) {
    auto bytes = Filled<16>(0xA5);
    const auto before = bytes;
    {
        const auto value = Bind("Attrib::Types::Vector4", bytes.data());
        EXPECT_EQ(value->GetStorage(), bytes.data());
        EXPECT_EQ(value->GetTypeHash(), Hash32("Attrib::Types::Vector4"));
    }
    EXPECT_EQ(bytes, before);
}

TEST(AttribTypeImplBinding, BindArrayBindsEachElementInIndexOrder) {
    alignas(4) uint8_t record[8 + 3 * 4] = {};
    auto* header = reinterpret_cast<Host::ArrayHeader*>(record);
    header->capacity = 3;
    header->count = 3;
    header->elementSize = 4;
    const auto values = TypeNamed("KQ::Reflection::Int32")->BindArray(header);
    ASSERT_EQ(values.size(), 3u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i]->GetStorage(), record + 8 + 4 * i);
    }
    ASSERT_TRUE(values[2]->Parse("-7"));
    EXPECT_EQ(Read<int32_t>(record + 16), -7);

    header->count = 0;
    EXPECT_TRUE(TypeNamed("KQ::Reflection::Int32")->BindArray(header).empty());
}

// Host storage is aligned to 4 bytes at most, and one- and two-byte array
// elements to less, so no value may access its storage as a typed object:
// bound one byte past an aligned address, every operation of every type
// (run under the sanitizers' alignment check) must work and stay inside the
// value's bytes.
TEST(AttribTypeImplBinding, EveryTypeWorksOnStorageOfAnyAlignment) {
    constexpr uint8_t kGuard = 0xAA;
    for (const auto& [hash, type] : AttribTypeRegistry::Instance().Types()) {
        if (!type) {
            continue;
        }
        SCOPED_TRACE(hash.ToString());
        alignas(8) std::array<uint8_t, 1 + 64 + 8> bytes{};  // zeroes: a text field holds null
        std::fill(bytes.begin() + 1 + type->GetSize(), bytes.end(), kGuard);
        void* const storage = bytes.data() + 1;
        const auto value = type->BindValue(storage);
        value->Construct();
        value->Parse("1");
        value->SetUInt64(2);
        value->SetDouble(3.0);
        value->ToUInt64();
        value->ToDouble();
        for (const auto& [member, elements] : value->GetMembers()) {
            for (const auto& element : elements) {
                element->Parse("4");
                element->ToString();
            }
        }
        const auto clone = value->Clone();
        ASSERT_TRUE(clone);
        EXPECT_EQ(clone->ToString(), value->ToString());
        EXPECT_TRUE(value->Assign(clone->GetStorage()));
        EXPECT_EQ(bytes[0], 0);
        EXPECT_TRUE(std::all_of(bytes.begin() + 1 + type->GetSize(), bytes.end(),
                                [](uint8_t byte) { return byte == kGuard; }));
    }
}

TEST(AttribTypeImplCreation, CloneHoldsACopyInStorageOfItsOwn) {
    float source = 2.5f;
    const auto value = Bind("KQ::Reflection::Float", &source);
    const auto clone = value->Clone();
    ASSERT_TRUE(clone);
    EXPECT_NE(clone->GetStorage(), &source);
    EXPECT_EQ(clone->GetTypeHash(), value->GetTypeHash());
    EXPECT_EQ(*clone->ToDouble(), 2.5);
    ASSERT_TRUE(clone->Parse("7"));
    EXPECT_EQ(source, 2.5f);
}

TEST(AttribTypeImplCreation, CloneOfTextSharesTheCharactersNotTheField) {
    char text[] = "hood";
    char* field = text;
    const auto clone = Bind("KQ::Reflection::Text", &field)->Clone();
    EXPECT_EQ(Read<char*>(clone->GetStorage()), text);
    ASSERT_TRUE(clone->Parse("wing"));
    EXPECT_EQ(field, text);
    std::free(Read<char*>(clone->GetStorage()));
}

TEST(AttribTypeImplCreation, CreatedAndClonedStorageIsReleasedWithTheValue) {
    const auto type = TypeNamed("Attrib::Types::Matrix");
    lm::Matrix4 host{};
    const auto bound = type->BindValue(&host);

    const long before = gLiveAllocations.load();
    {
        const auto created = type->CreateValue();
        const auto clonedFromCreated = created->Clone();
        const auto clonedFromHost = bound->Clone();
    }
    const long after = gLiveAllocations.load();
    EXPECT_EQ(after, before);
}

TEST(AttribTypeImplDefaults, ListAndWordAreRefusedByEveryType) {
    for (const auto& [hash, type] : AttribTypeRegistry::Instance().Types()) {
        if (!type) {
            continue;
        }
        const auto value = type->CreateValue();
        SCOPED_TRACE(hash.ToString());
        EXPECT_FALSE(value->GetList());
        EXPECT_FALSE(value->SetWord(1));
    }
}

}  // namespace
}  // namespace rakor::Attrib

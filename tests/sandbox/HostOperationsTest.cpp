#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/HostApi.h"
#include "sandbox/Database.h"
#include "sandbox/HostOperations.h"

// The host operations as the library reaches them: through rakor::Host and
// the backend's entry points, with the game's calling conventions.
namespace rakor::Sandbox {
namespace {

using ::testing::IsEmpty;
using ::testing::SizeIs;

void* NewCollectionMemory() {
    return std::calloc(1, Host::kCollectionObjectSize);
}

class HostOperationsTest : public ::testing::Test {
protected:
    HostOperationsTest() {
        car.AddLayoutField("Grip", "Float", 0);
        base.SetLayout("Grip", 0.75f).SetInline("Doors", uint32_t{4});
    }

    Database db;
    Class car = db.AddClass("car", 8);
    Collection base = car.AddCollection("default");
};

TEST_F(HostOperationsTest, LookupsFindWhatWasBuiltAndMissTheRest) {
    void* database = Host::DatabaseInstance();
    EXPECT_EQ(Host::GetClass(database, Crc32("car")), car.Record());
    EXPECT_EQ(Host::GetClass(database, Crc32("truck")), nullptr);
    EXPECT_EQ(Host::GetClass(nullptr, Crc32("car")), nullptr);

    EXPECT_EQ(Host::GetCollection(car.Record(), Crc32("default")), base.Record());
    EXPECT_EQ(Host::GetCollection(car.Record(), Crc32("missing")), nullptr);

    EXPECT_NE(Host::GetFieldDefinition(car.Record(), Crc32("Grip")), nullptr);
    EXPECT_EQ(Host::GetFieldDefinition(car.Record(), Crc32("Doors")), nullptr);
    EXPECT_THAT(db.Complaints(), IsEmpty());
}

TEST_F(HostOperationsTest, ClassPassedWhereItsFirstWordBelongsIsAComplaint) {
    EXPECT_EQ(Sandbox::Ops::GetCollection(car.Record(), Crc32("default")), nullptr);
    EXPECT_EQ(Host::GetFieldDefinition(base.Record(), Crc32("Grip")), nullptr);
    EXPECT_THAT(db.Complaints(), SizeIs(2));
}

TEST_F(HostOperationsTest, ConstructedCollectionJoinsClassAndParent) {
    void* memory = NewCollectionMemory();
    Host::ConstructCollection(memory, car.Record(), base.Record(), Crc32("tuned"));

    EXPECT_EQ(Host::GetCollection(car.Record(), Crc32("tuned")), memory);
    const auto* record = static_cast<const CollectionRecord*>(memory);
    EXPECT_EQ(record->parent, base.Record());
    EXPECT_EQ(record->classObject, car.Record());
    EXPECT_EQ(record->entryCount, 0u);
    EXPECT_EQ(record->entries, nullptr);
    ASSERT_NE(record->layoutBlock, nullptr);
    EXPECT_NE(record->layoutBlock, base.Record()->layoutBlock);
    EXPECT_EQ(std::memcmp(record->layoutBlock, base.Record()->layoutBlock, 8), 0);

    const Collection tuned = car.GetCollection("tuned");
    EXPECT_TRUE(tuned.ConstructedByLibrary());
    EXPECT_FALSE(base.ConstructedByLibrary());
    EXPECT_EQ(tuned.Parent(), base);
    EXPECT_THAT(db.Complaints(), IsEmpty());
}

TEST_F(HostOperationsTest, ConstructedRootGetsAZeroLayoutBlock) {
    void* memory = NewCollectionMemory();
    Host::ConstructCollection(memory, car.Record(), nullptr, Crc32("root"));
    const Collection root = car.GetCollection("root");
    EXPECT_EQ(root.Parent(), std::nullopt);
    EXPECT_THAT(root.LayoutBytes(), ::testing::Each(0));
}

TEST_F(HostOperationsTest, ReusedKeyPassesToTheNewCollection) {
    void* memory = NewCollectionMemory();
    Host::ConstructCollection(memory, car.Record(), base.Record(), Crc32("default"));
    EXPECT_EQ(Host::GetCollection(car.Record(), Crc32("default")), memory);
    EXPECT_EQ(car.Collections().size(), 2u) << "the old collection lives on";
    EXPECT_THAT(db.Complaints(), IsEmpty());
}

TEST_F(HostOperationsTest, MisusedConstructionIsRefusedAndNoted) {
    Class truck = db.AddClass("truck", 8);
    void* foreignParent = NewCollectionMemory();
    Host::ConstructCollection(foreignParent, truck.Record(), base.Record(), Crc32("t"));
    EXPECT_EQ(Host::GetCollection(truck.Record(), Crc32("t")), nullptr);

    auto* dirty = static_cast<uint8_t*>(NewCollectionMemory());
    dirty[0x20] = 1;
    Host::ConstructCollection(dirty, car.Record(), nullptr, Crc32("dirty"));
    EXPECT_THAT(db.Complaints(), SizeIs(2));
}

TEST(GetArrayElement, CountBoundsTheElements) {
    Database db;
    Collection root = db.AddClass("c").AddCollection("root");
    root.SetArray("Halves", ArrayOf<uint16_t>({1, 2, 3}, 5));
    auto& halves = root.OwnArray("Halves");
    auto* elements = reinterpret_cast<uint8_t*>(&halves) + 8;

    EXPECT_EQ(Host::GetArrayElement(&halves, 0), elements);
    EXPECT_EQ(Host::GetArrayElement(&halves, 2), elements + 4);
    EXPECT_EQ(Host::GetArrayElement(&halves, 3), nullptr) << "capacity is not count";
    // A subscript of -1 reaches the host as a huge index.
    EXPECT_EQ(Host::GetArrayElement(&halves, static_cast<uint32_t>(-1)), nullptr);

    halves.elementSize = 0;
    EXPECT_EQ(Host::GetArrayElement(&halves, 2), elements + 8) << "size 0 stands for 4";

    halves.count = 0;
    EXPECT_EQ(Host::GetArrayElement(&halves, 0), nullptr);
}

TEST(HostCalls, OperationsWorkWithoutADatabase) {
    EXPECT_EQ(Host::DatabaseInstance(), nullptr);
    EXPECT_EQ(Host::GetClass(nullptr, Crc32("car")), nullptr);
    EXPECT_EQ(Host::HashString32("123456789"), 0xCBF43926u);
}

}  // namespace
}  // namespace rakor::Sandbox

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/HostApi.h"
#include "sandbox/Database.h"

namespace rakor::Sandbox {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Words of host memory read at the game's offsets, not through the structs,
// so that a wrong struct declaration cannot hide itself.
uint32_t WordAt(const void* record, uint32_t offset) {
    return ReadAs<uint32_t>(static_cast<const uint8_t*>(record) + offset);
}
uint16_t HalfAt(const void* record, uint32_t offset) {
    return ReadAs<uint16_t>(static_cast<const uint8_t*>(record) + offset);
}
uint8_t ByteAt(const void* record, uint32_t offset) {
    return static_cast<const uint8_t*>(record)[offset];
}
uint32_t Address(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

// class car: Grip (Float) in the layout at 4, an Int32 array Gears of three
// in default's own entries; tuned is default's child.
class CarDatabase : public ::testing::Test {
protected:
    CarDatabase() {
        car.AddLayoutField("Grip", "Float", 4)
            .AddLayoutField("Ratios", "Int16", 8, FieldShape::Array);
        car.Define("Gears", "Int32");
        base = car.AddCollection("default")
                   .SetLayout("Grip", 1.5f)
                   .SetInline("Doors", uint32_t{4})
                   .SetArray("Gears", ArrayOf<int32_t>({10, 20, 30}));
        tuned = car.AddCollection("tuned", *base);
    }

    Database db;
    Class car = db.AddClass("car", 24);
    std::optional<Collection> base;
    std::optional<Collection> tuned;
};

TEST_F(CarDatabase, CollectionWordsSitAtTheGameOffsets) {
    const CollectionRecord* record = base->Record();
    EXPECT_EQ(WordAt(record, 0x04), 2u);
    const uint32_t entries = WordAt(record, 0x00);
    EXPECT_EQ(entries, Address(base->OwnEntries().data()));
    EXPECT_EQ(WordAt(record, 0x10), 0u);
    EXPECT_EQ(WordAt(record, 0x14), Address(car.Record()));
    EXPECT_EQ(WordAt(tuned->Record(), 0x10), Address(record));
    EXPECT_EQ(WordAt(tuned->Record(), 0x14), Address(car.Record()));

    const uint32_t block = WordAt(record, 0x18);
    EXPECT_EQ(ReadAs<float>(reinterpret_cast<const void*>(block + 4)), 1.5f);
}

TEST_F(CarDatabase, OwnEntriesAreTwelveBytesWithKeyValueAndArrayFlag) {
    const void* table = base->OwnEntries().data();
    EXPECT_EQ(WordAt(table, 0x00), Crc32("Doors"));
    EXPECT_EQ(WordAt(table, 0x04), 4u);
    EXPECT_EQ(ByteAt(table, 0x0B), 0u);

    EXPECT_EQ(WordAt(table, 12 + 0x00), Crc32("Gears"));
    EXPECT_EQ(ByteAt(table, 12 + 0x0B), kArrayFlag);
    const auto* array = reinterpret_cast<const void*>(WordAt(table, 12 + 0x04));
    EXPECT_EQ(HalfAt(array, 0x00), 3u);  // capacity
    EXPECT_EQ(HalfAt(array, 0x02), 3u);  // count
    EXPECT_EQ(HalfAt(array, 0x04), 4u);  // element size
    EXPECT_EQ(WordAt(array, 0x08 + 2 * 4), 30u);
}

TEST_F(CarDatabase, ClassWordsLeadToLayoutTableAndCollectionTable) {
    const ClassRecord* record = car.Record();
    EXPECT_EQ(WordAt(record, 0x10), 2u);
    const auto* layout = reinterpret_cast<const void*>(WordAt(record, 0x0C));
    EXPECT_EQ(WordAt(layout, 0x00), Crc32("Grip"));
    EXPECT_EQ(WordAt(layout, 0x04), 4u);
    EXPECT_EQ(ByteAt(layout, 0x0B), 0u);
    EXPECT_EQ(WordAt(layout, 12 + 0x00), Crc32("Ratios"));
    EXPECT_EQ(WordAt(layout, 12 + 0x04), 8u);
    EXPECT_EQ(ByteAt(layout, 12 + 0x0B), kArrayFlag);

    // The game's collection lookup is given the class's first word.
    EXPECT_EQ(Host::GetCollection(car.Record(), Crc32("default")), base->Record());
}

TEST_F(CarDatabase, DefinitionsCarryTheTypeKeyInTheirSecondWord) {
    const void* grip = Host::GetFieldDefinition(car.Record(), Crc32("Grip"));
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(WordAt(grip, 0x04), Crc32("Float"));
    car.Define("Grip", 0x1234u);
    EXPECT_EQ(WordAt(grip, 0x04), 0x1234u) << "redefining changes the record in place";
}

TEST_F(CarDatabase, ChildStartsWithACopyOfItsParentsLayoutBlock) {
    EXPECT_EQ(tuned->ReadLayout<float>("Grip"), 1.5f);
    EXPECT_NE(tuned->LayoutBytes().data(), base->LayoutBytes().data());
    tuned->SetLayout("Grip", 2.0f);
    EXPECT_EQ(base->ReadLayout<float>("Grip"), 1.5f);
    EXPECT_THAT(tuned->OwnEntries(), IsEmpty());
    EXPECT_EQ(tuned->Parent(), base);
}

TEST_F(CarDatabase, SettingAFieldAgainRewritesItsEntry) {
    base->SetInline("Doors", uint32_t{2});
    EXPECT_EQ(base->OwnEntries().size(), 2u);
    EXPECT_EQ(base->ReadInline<uint32_t>("Doors"), 2u);
    base->SetArray("Doors", ArrayOf<uint8_t>({1, 2}));
    EXPECT_EQ(base->GetOwnEntry("Doors").flags, kArrayFlag);
    EXPECT_THAT(ElementsOf<uint8_t>(base->OwnArray("Doors")), ElementsAre(1, 2));
}

TEST_F(CarDatabase, OutOfLineValuesAreCopiedAndPointedTo) {
    const double weight = 1234.5;
    base->SetOutOfLine("Weight", weight);
    EXPECT_EQ(ReadAs<double>(base->EntryTarget("Weight")), weight);
    EXPECT_EQ(base->GetOwnEntry("Weight").flags, 0u);
}

TEST_F(CarDatabase, LayoutArraysLiveInsideTheLayoutBlock) {
    base->SetLayoutArray("Ratios", ArrayOf<int16_t>({7, 8}, 3));
    const ArrayHeader& ratios = base->LayoutArray("Ratios");
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&ratios), base->LayoutBytes().data() + 8);
    EXPECT_EQ(ratios.capacity, 3u);
    EXPECT_EQ(ratios.elementSize, 2u);
    EXPECT_THAT(ElementsOf<int16_t>(ratios), ElementsAre(7, 8));
    // 8 + 3 * 2 bytes at offset 8 of 24 fit; 8 + 9 * 2 do not.
    EXPECT_THROW(base->SetLayoutArray("Ratios", ArrayOf<int16_t>({1}, 9)), SandboxError);
}

TEST_F(CarDatabase, MistakesInBuildingAreRefused) {
    EXPECT_THROW(db.AddClass("car"), SandboxError);
    EXPECT_THROW(car.AddCollection("default"), SandboxError);
    EXPECT_THROW(car.AddLayoutEntry("Far", 24), SandboxError);
    EXPECT_THROW(base->WriteLayout(20, std::vector<uint8_t>(5)), SandboxError);
    EXPECT_THROW(base->ReadLayout<float>("Doors"), SandboxError);
    EXPECT_THROW(base->GetOwnEntry("Grip"), SandboxError);
    EXPECT_THROW(db.GetClass("truck"), SandboxError);
    EXPECT_THROW(car.GetCollection("missing"), SandboxError);
}

// The game has collections whose parent is of another class; such a child
// starts with a block of zeros, laid out as its own class has it.
TEST_F(CarDatabase, AParentOfAnotherClassGivesNoLayoutBytes) {
    Class truck = db.AddClass("truck", 8);
    const Collection pickup = truck.AddCollection("pickup", *base);
    EXPECT_EQ(pickup.Parent(), base);
    EXPECT_THAT(pickup.LayoutBytes(), testing::Each(0));
}

TEST_F(CarDatabase, EnumerationListsEverythingInOrder) {
    Class truck = db.AddClass("truck");
    EXPECT_THAT(db.Classes(), ElementsAre(car, truck));
    EXPECT_THAT(car.Collections(), ElementsAre(*base, *tuned));
    EXPECT_EQ(car.LayoutFields().size(), 2u);
    std::vector<uint32_t> defined;
    for (const FieldDefinition& definition : car.Definitions()) {
        defined.push_back(definition.key);
    }
    EXPECT_THAT(defined,
                ::testing::UnorderedElementsAre(Crc32("Grip"), Crc32("Ratios"), Crc32("Gears")));
    EXPECT_EQ(db.FindClass("car"), car);
    EXPECT_EQ(db.FindClass("bus"), std::nullopt);
}

TEST(ArrayBuilding, CapacityAndElementSizeZero) {
    Database db;
    Collection root = db.AddClass("c").AddCollection("root");

    root.SetArray("Spare", ArrayOf<uint32_t>({5, 6}, 4));
    const ArrayHeader& spare = root.OwnArray("Spare");
    EXPECT_EQ(spare.capacity, 4u);
    EXPECT_EQ(spare.count, 2u);
    EXPECT_EQ(ReadAs<uint32_t>(spare.Elements() + 3 * 4), 0u) << "unused slots are zero";

    ArraySpec sizeZero = ArrayOf<uint32_t>({1, 2, 3});
    sizeZero.elementSize = 0;
    sizeZero.opaque = 0xBEEF;
    root.SetArray("Zero", sizeZero);
    const ArrayHeader& zero = root.OwnArray("Zero");
    EXPECT_EQ(zero.elementSize, 0u);
    EXPECT_EQ(zero.opaque, 0xBEEFu);
    EXPECT_THAT(ElementsOf<uint32_t>(zero), ElementsAre(1, 2, 3));

    EXPECT_THROW(root.SetArray("Odd", ArraySpec{.elements = std::vector<uint8_t>(5)}),
                 SandboxError);
    EXPECT_THROW(root.SetArray("Small", ArrayOf<uint32_t>({1, 2, 3}, 2)), SandboxError);
}

TEST(DatabaseLifetime, InstanceWordFollowsTheLiveDatabase) {
    EXPECT_EQ(Host::DatabaseInstance(), nullptr);
    {
        Database db;
        EXPECT_EQ(Host::DatabaseInstance(), &db);
        EXPECT_EQ(Database::Current(), &db);
        EXPECT_THROW(Database(), SandboxError);
    }
    EXPECT_EQ(Host::DatabaseInstance(), nullptr);
}

TEST(DatabaseLifetime, MemoryHandedOverIsFreedWithTheDatabase) {
    // Meaningful under the sanitizer preset: a leak or a double free fails there.
    Database db;
    Class car = db.AddClass("car", 8);
    Collection base = car.AddCollection("default").SetArray("Gears", ArrayOf<int32_t>({1}));
    void* memory = std::calloc(1, Host::kCollectionObjectSize);
    Host::ConstructCollection(memory, car.Record(), base.Record(), Crc32("built"));
    Collection built = car.GetCollection(Crc32("built"));

    // The library replaces an array record: the new one is the host's, the
    // old one stays the database's own.
    auto* replacement = static_cast<ArrayHeader*>(std::malloc(sizeof(ArrayHeader) + 4));
    *replacement = ArrayHeader{1, 1, 4, 0};
    base.GetOwnEntry("Gears").value = Address(replacement);
    built.SetArray("Gears", ArrayOf<int32_t>({2}));
    EXPECT_THAT(db.Complaints(), IsEmpty());
}

TEST_F(CarDatabase, RestoreUndoesWhatTheLibraryChangedSinceTheSnapshot) {
    const auto snapshot = db.TakeSnapshot();
    const std::vector<uint8_t> layoutBefore = ReadBytes(base->LayoutBytes().data(), 24);
    ArrayHeader* const gears = &base->OwnArray("Gears");

    // What scripts do: new collections (one taking over a key), layout bytes,
    // an inline word, an element, a replaced array record; then a refused call.
    void* memory = std::calloc(1, Host::kCollectionObjectSize);
    Host::ConstructCollection(memory, car.Record(), base->Record(), Crc32("tuned"));
    base->WriteLayout(4, std::vector<uint8_t>{9, 9, 9, 9});
    base->GetOwnEntry("Doors").value = 7;
    gears->Elements()[0] = 0xFF;
    auto* replacement = static_cast<ArrayHeader*>(std::calloc(1, sizeof(ArrayHeader) + 4));
    base->GetOwnEntry("Gears").value = Address(replacement);
    Host::ConstructCollection(nullptr, car.Record(), nullptr, 1);
    db.AddClass("bike").AddCollection("default");

    db.Restore(*snapshot);
    EXPECT_EQ(car.GetCollection("tuned"), *tuned);
    EXPECT_THAT(car.Collections(), ElementsAre(*base, *tuned));
    EXPECT_FALSE(db.FindClass("bike"));
    EXPECT_EQ(ReadBytes(base->LayoutBytes().data(), 24), layoutBefore);
    EXPECT_EQ(base->ReadInline<uint32_t>("Doors"), 4u);
    EXPECT_EQ(&base->OwnArray("Gears"), gears);
    EXPECT_THAT(ElementsOf<int32_t>(*gears), ElementsAre(10, 20, 30));
    EXPECT_THAT(db.Complaints(), IsEmpty());

    // Restoring again works from the same snapshot; the freed memory is
    // checked under the sanitizer preset.
    Host::ConstructCollection(std::calloc(1, Host::kCollectionObjectSize), car.Record(),
                              tuned->Record(), Crc32("again"));
    db.Restore(*snapshot);
    EXPECT_FALSE(car.FindCollection("again"));
}

TEST(DatabaseSnapshots, NotedTextsAndRecordsAreFreedEvenAfterBeingReplaced) {
    // Meaningful under the sanitizer preset: whatever is not freed leaks.
    Database db;
    Class car = db.AddClass("car", 4);
    car.AddLayoutField("Name", "KQ::Reflection::Text", 0).Define("Gears", "Int32");
    Collection base = car.AddCollection("default")
                          .SetArray("Gears", ArrayOf<int32_t>({1}))
                          .SetLayout("Name", db.CopyText("own"));
    const auto snapshot = db.TakeSnapshot();
    for (int round = 0; round < 2; ++round) {
        for (const char* text : {"first", "second"}) {
            const std::size_t size = std::strlen(text) + 1;
            base.SetLayout("Name", static_cast<char*>(std::memcpy(std::malloc(size), text, size)));
            auto* record = static_cast<ArrayHeader*>(std::calloc(1, sizeof(ArrayHeader)));
            base.GetOwnEntry("Gears").value = Address(record);
            db.NoteHandedOver();
        }
        db.Restore(*snapshot);
        EXPECT_STREQ(base.ReadLayout<char*>("Name"), "own");
        EXPECT_EQ(base.OwnArray("Gears").count, 1u);
    }
    // Handed over and noted after the last restore: freed with the database.
    base.SetLayout("Name", static_cast<char*>(std::calloc(1, 1)));
    db.NoteHandedOver();
}

// An editor keeps a snapshot at the start of every script and returns to any
// of them: an array record handed over between two snapshots and changed in
// place after the later one is as it was at each.
TEST_F(CarDatabase, EachOfSnapshotsTakenInTurnRestoresItsOwnMoment) {
    const auto atStart = db.TakeSnapshot();
    auto* record = static_cast<ArrayHeader*>(std::calloc(1, sizeof(ArrayHeader) + 8));
    *record = ArrayHeader{2, 2, 4, 0};
    base->GetOwnEntry("Gears").value = Address(record);
    record->Elements()[0] = 1;
    const auto afterResize = db.TakeSnapshot();
    record->Elements()[0] = 2;
    const auto afterSet = db.TakeSnapshot();
    record->Elements()[0] = 3;

    db.Restore(*afterSet);
    EXPECT_EQ(base->OwnArray("Gears").Elements()[0], 2);
    db.Restore(*afterResize);
    EXPECT_EQ(&base->OwnArray("Gears"), record);
    EXPECT_EQ(base->OwnArray("Gears").Elements()[0], 1);
    db.Restore(*atStart);
    EXPECT_THAT(ElementsOf<int32_t>(base->OwnArray("Gears")), ElementsAre(10, 20, 30));
}

// Noting snapshots, taken in turn and returned to back in time: a record
// replaced between two of them is kept while the earlier one may need it,
// and freed by a return to before it was made (under the sanitizer preset, a
// leak or a use after free fails).
TEST_F(CarDatabase, NotingSnapshotsFreeWhatIsMadeAfterTheMomentReturnedTo) {
    const auto recordOf = [](int32_t value) {
        auto* record = static_cast<ArrayHeader*>(std::calloc(1, sizeof(ArrayHeader) + 4));
        *record = ArrayHeader{1, 1, 4, 0};
        std::memcpy(record->Elements(), &value, 4);
        return record;
    };
    const auto atStart = db.NoteAndTakeSnapshot();
    base->GetOwnEntry("Gears").value = Address(recordOf(1));
    const auto second = db.NoteAndTakeSnapshot();
    base->GetOwnEntry("Gears").value = Address(recordOf(2));  // replaces the first record
    const auto third = db.NoteAndTakeSnapshot();
    base->GetOwnEntry("Gears").value = Address(recordOf(3));

    db.Restore(*third);
    EXPECT_THAT(ElementsOf<int32_t>(base->OwnArray("Gears")), ElementsAre(2));
    db.Restore(*second);
    EXPECT_THAT(ElementsOf<int32_t>(base->OwnArray("Gears")), ElementsAre(1));
    base->GetOwnEntry("Gears").value = Address(recordOf(4));
    db.Restore(*atStart);
    EXPECT_THAT(ElementsOf<int32_t>(base->OwnArray("Gears")), ElementsAre(10, 20, 30));
}

TEST(DatabaseLifetime, TextCopiesAreTheDatabasesOwn) {
    // Under the sanitizer preset, a copy not freed with the database is a leak.
    Database db;
    std::string source = "Tormelin GT";
    const char* copy = db.CopyText(source);
    source.assign("overwritten");
    EXPECT_STREQ(copy, "Tormelin GT");
    const char* empty = db.CopyText("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(*empty, '\0');
    // Only the text's own characters: a view into a longer text stops where it does.
    EXPECT_STREQ(db.CopyText(std::string_view("abcdef").substr(1, 3)), "bcd");
}

TEST(FieldFacts, AreKeptPerClassAndReplacedWhenNotedAgain) {
    Database db;
    Class car = db.AddClass("car");
    Class bike = db.AddClass("bike");
    EXPECT_EQ(car.FindFieldFacts("Blob"), nullptr);
    EXPECT_THAT(car.Fields(), IsEmpty());

    FieldFacts blob;
    blob.typeKey = Key("Engine::Blob").Value();
    blob.size = 6;
    car.NoteField("Blob", blob);
    blob.size = 8;
    blob.array = true;
    blob.capacity = 3;
    car.NoteField("Blob", blob);
    const FieldFacts* facts = car.FindFieldFacts("Blob");
    ASSERT_NE(facts, nullptr);
    EXPECT_EQ(facts->typeKey, Key("Engine::Blob").Value());
    EXPECT_EQ(facts->size, 8u);
    EXPECT_TRUE(facts->array);
    EXPECT_EQ(facts->capacity, 3u);
    EXPECT_EQ(facts->elementSize, std::nullopt);
    EXPECT_THAT(car.Fields(), ElementsAre(Key("Blob").Value()));

    // Facts describe the field of one class, not every field of that name.
    EXPECT_EQ(bike.FindFieldFacts("Blob"), nullptr);
    EXPECT_THAT(bike.Fields(), IsEmpty());
    // Nor do they make a record the host would find.
    EXPECT_TRUE(car.Definitions().empty());
    EXPECT_EQ(db.HostGetFieldDefinition(car.Record(), Key("Blob").Value()), nullptr);
}

}  // namespace
}  // namespace rakor::Sandbox

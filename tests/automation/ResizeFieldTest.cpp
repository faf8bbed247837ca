#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/ScriptFixture.h"

namespace rakor::Attrib::Automation {
namespace {

using Sandbox::ArrayHeader;
using Sandbox::ArrayOf;
using Sandbox::ElementsOf;
using Testing::Bytes;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Axle = std::array<float, 2>;

// "Gears": own array of three Int32 with a spare slot and 0x06 word 0xBEEF.
class ResizeFieldTest : public Testing::ScriptTest {
protected:
    ResizeFieldTest() {
        car_.Define("Gears", "KQ::Reflection::Int32").Define("Power", "KQ::Reflection::Int32");
        auto gears = ArrayOf<int32_t>({1, 2, 3}, 4);
        gears.opaque = 0xBEEF;
        base_.SetArray("Gears", gears).SetInline("Power", int32_t{1});
        old_ = &base_.OwnArray("Gears");
        oldBytes_ = RecordBytes(*old_);
    }

    static std::vector<uint8_t> RecordBytes(const ArrayHeader& record) {
        return Bytes(&record, sizeof(ArrayHeader) + record.capacity * record.ElementSize());
    }
    const ArrayHeader& Gears() const { return base_.OwnArray("Gears"); }

    // The old record is the host's still: it is neither freed nor changed.
    void ExpectOldRecordUntouched() const { EXPECT_EQ(RecordBytes(*old_), oldBytes_); }

    Sandbox::Class car_ = db_.AddClass("car", 64);
    Sandbox::Collection base_ = car_.AddCollection("default");
    const ArrayHeader* old_ = nullptr;
    std::vector<uint8_t> oldBytes_;
};

TEST_F(ResizeFieldTest, GrowingCopiesTheElementsAndZeroesTheNewOnes) {
    RunClean("resize_field car default Gears 5");
    ASSERT_NE(&Gears(), old_);
    EXPECT_EQ(Gears().capacity, 5);
    EXPECT_EQ(Gears().count, 5);
    EXPECT_EQ(Gears().elementSize, 4);
    EXPECT_EQ(Gears().opaque, 0xBEEF);
    EXPECT_THAT(ElementsOf<int32_t>(Gears()), ElementsAre(1, 2, 3, 0, 0));
    EXPECT_EQ(base_.GetOwnEntry("Gears").flags, Sandbox::kArrayFlag);
    ExpectOldRecordUntouched();
}

TEST_F(ResizeFieldTest, NewElementsStartZeroedBeforeTheTypesConstruct) {
    // An axle pair's Construct writes nothing; a junkman mod's zeroes only its keys.
    car_.Define("Axles", "AxlePair").Define("Mods", "JunkmanMod");
    base_.SetArray("Axles", ArrayOf<Axle>({{1.0f, 2.0f}}));
    base_.SetArray("Mods", ArrayOf<std::array<uint32_t, 3>>({{1, 2, 3}}));
    RunClean("resize_field car default Axles 3\nresize_field car default Mods 2");
    const ArrayHeader& axles = base_.OwnArray("Axles");
    const ArrayHeader& mods = base_.OwnArray("Mods");
    ASSERT_EQ(axles.count, 3);
    ASSERT_EQ(mods.count, 2);
    EXPECT_EQ(Sandbox::ReadAs<Axle>(axles.Elements()), (Axle{1.0f, 2.0f}));
    EXPECT_THAT(Bytes(axles.Elements() + 8, 16), Each(0));
    EXPECT_THAT(Bytes(mods.Elements(), 12), ElementsAre(1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0));
    EXPECT_THAT(Bytes(mods.Elements() + 12, 12), Each(0));
}

TEST_F(ResizeFieldTest, ShrinkingKeepsTheLeadingElements) {
    RunClean("resize_field car default Gears 2");
    EXPECT_EQ(Gears().capacity, 2);
    EXPECT_THAT(ElementsOf<int32_t>(Gears()), ElementsAre(1, 2));
    ExpectOldRecordUntouched();
}

TEST_F(ResizeFieldTest, SameCountMakesANewRecordWithTheSameElements) {
    RunClean("resize_field car default Gears 3");
    ASSERT_NE(&Gears(), old_);
    EXPECT_EQ(Gears().capacity, 3) << "capacity follows the count";
    EXPECT_THAT(ElementsOf<int32_t>(Gears()), ElementsAre(1, 2, 3));
    ExpectOldRecordUntouched();
}

TEST_F(ResizeFieldTest, ZeroLeavesTheHeaderOnly) {
    RunClean("resize_field car default Gears 0");
    EXPECT_EQ(Gears().capacity, 0);
    EXPECT_EQ(Gears().count, 0);
    EXPECT_EQ(Gears().opaque, 0xBEEF);
    EXPECT_THAT(
        Errors("update_field car default Gears 1"),
        ElementsAre("ModifyField.Act => Invalid array subscript 'car'->'default'.'Gears'[0]"));
    ExpectOldRecordUntouched();
}

TEST_F(ResizeFieldTest, ZeroElementSizeIsCopiedAsFourBytes) {
    auto ratios = ArrayOf<int32_t>({7, 8, 9});
    ratios.elementSize = 0;
    car_.Define("Ratios", "KQ::Reflection::Int32");
    base_.SetArray("Ratios", ratios);
    RunClean("resize_field car default Ratios 4");
    const ArrayHeader& resized = base_.OwnArray("Ratios");
    EXPECT_EQ(resized.elementSize, 0);
    EXPECT_EQ(resized.count, 4);
    EXPECT_THAT(ElementsOf<int32_t>(resized), ElementsAre(7, 8, 9, 0));
}

TEST_F(ResizeFieldTest, OneByteElementsAreResizedWithoutWritingPastThem) {
    car_.Define("Levels", "KQ::Reflection::UInt8");
    base_.SetArray("Levels", ArrayOf<uint8_t>({5, 6}));
    RunClean("resize_field car default Levels 5\nupdate_field car default Levels[4] 200");
    EXPECT_THAT(ElementsOf<uint8_t>(base_.OwnArray("Levels")), ElementsAre(5, 6, 0, 0, 200));
}

TEST_F(ResizeFieldTest, LookupFailuresNameWhatWasLookedUp) {
    EXPECT_THAT(
        Errors("resize_field nope default Gears 5\n"
               "resize_field car nope Gears 5\n"
               "resize_field car default Nope 5\n"
               "resize_field car default Power 5"),
        ElementsAre("ResizeField.Act => Class 'nope' not found",
                    "ResizeField.Act => Collection 'car'->'nope' not found",
                    "ResizeField.Act => Field 'car'->'default'.'Nope' not found or invalid",
                    "ResizeField.Act => Field 'car'->'default'.'Power' is not an array: you "
                    "can only resize arrays"));
    EXPECT_EQ(&Gears(), old_);
    EXPECT_EQ(base_.ReadInline<int32_t>("Power"), 1);
}

TEST_F(ResizeFieldTest, CountAboveTheHeadersRangeOrNegativeIsRefused) {
    const auto outcome =
        Run("resize_field car default Gears 65536\n"
            "resize_field car default Gears 99999999999\n"
            "resize_field car default Gears -1\n"
            "resize_field car default Gears -4294967295");
    EXPECT_EQ(outcome.summary.failed, 4);
    EXPECT_THAT(outcome.errors,
                ElementsAre("ResizeField.Act => Field 'car'->'default'.'Gears' cannot hold 65536 "
                            "elements: an array holds at most 65535",
                            "ResizeField.Act => Field 'car'->'default'.'Gears' cannot hold "
                            "4294967295 elements: an array holds at most 65535",
                            "resize_field: count '-1' is negative; a count is a whole number "
                            "from 0 to 65535",
                            "resize_field: count '-4294967295' is negative; a count is a whole "
                            "number from 0 to 65535"));
    EXPECT_EQ(&Gears(), old_);
    ExpectOldRecordUntouched();
}

TEST_F(ResizeFieldTest, ElementTypeComesFromTheClassTheCollectionRecordNames) {
    // The collection is found through "car", which has no definition of
    // "Mods"; its record names "other", which defines them.
    auto other = db_.AddClass("other");
    other.Define("Mods", "JunkmanMod");
    base_.SetArray("Mods", ArrayOf<std::array<uint32_t, 3>>({{1, 2, 3}}));
    Sandbox::ClassRecord* const own = base_.Record()->classObject;
    base_.Record()->classObject = other.Record();
    const auto outcome = Run("resize_field car default Mods 2");
    base_.Record()->classObject = own;
    EXPECT_EQ(outcome.summary.succeeded, 1);
    EXPECT_THAT(outcome.errors, IsEmpty());
    const ArrayHeader& mods = base_.OwnArray("Mods");
    ASSERT_EQ(mods.count, 2);
    EXPECT_THAT(Bytes(mods.Elements(), 12), ElementsAre(1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0));
    EXPECT_THAT(Bytes(mods.Elements() + 12, 12), Each(0));
}

TEST_F(ResizeFieldTest, ArrayOutsideTheOwnEntriesIsRefused) {
    car_.AddLayoutField("Shifts", "KQ::Reflection::Int16", 16, Sandbox::FieldShape::Array);
    base_.SetLayoutArray("Shifts", ArrayOf<int16_t>({1, 2}));
    const auto tuned = car_.AddCollection("tuned", base_);
    const auto layout = Bytes(base_.LayoutBytes().data(), 64);
    const auto outcome = Run("resize_field car default Shifts 4\nresize_field car tuned Gears 4");
    EXPECT_EQ(outcome.summary.failed, 2);
    EXPECT_THAT(
        outcome.errors,
        ElementsAre("ResizeField.Act => Field 'car'->'default'.'Shifts' cannot be resized here: "
                    "only an array held in the collection's own entries can be replaced, not one "
                    "in the class layout or inherited from a parent",
                    "ResizeField.Act => Field 'car'->'tuned'.'Gears' cannot be resized here: "
                    "only an array held in the collection's own entries can be replaced, not one "
                    "in the class layout or inherited from a parent"));
    EXPECT_EQ(Bytes(base_.LayoutBytes().data(), 64), layout);
    EXPECT_EQ(&Gears(), old_);
    EXPECT_THAT(tuned.OwnEntries(), IsEmpty());
}

}  // namespace
}  // namespace rakor::Attrib::Automation

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/ScriptFixture.h"
#include "hash/Hashes.h"

namespace rakor::Attrib::Automation {
namespace {

using Sandbox::ArrayOf;
using Sandbox::ReadAs;
using Testing::Bytes;
using Testing::BytesOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Testing::ScriptOutcome;

using Vec2 = std::array<float, 2>;
using Vec3 = std::array<float, 3>;
using Vec4 = std::array<float, 4>;

constexpr uint32_t kBlockSize = 512;
constexpr uint8_t kFill = 0xAA;

uint32_t KeyOf(const char* name) {
    return Sandbox::Key(name).Value();
}

// Class "car" with collection "default", whose layout block is filled with
// kFill. Fields are placed one after the other with a gap of four kFill bytes
// between them, so a write past a field shows in the gap behind it.
class ModifyFieldTest : public Testing::ScriptTest {
protected:
    struct Slot {
        uint32_t offset;
        std::size_t size;
    };

    ModifyFieldTest() { base_.WriteLayout(0, std::vector<uint8_t>(kBlockSize, kFill)); }

    Slot Field(const char* name, const char* typeName, const std::vector<uint8_t>& initial) {
        const Slot slot{next_, initial.size()};
        car_.AddLayoutField(name, typeName, slot.offset);
        base_.WriteLayout(slot.offset, initial);
        slots_.push_back(slot);
        next_ += static_cast<uint32_t>(initial.size()) + 4;
        return slot;
    }

    std::vector<uint8_t> Read(const Slot& slot) const {
        return Bytes(base_.LayoutBytes().data() + slot.offset, slot.size);
    }
    template <typename T>
    T ReadAt(const Slot& slot, uint32_t offset = 0) const {
        return ReadAs<T>(base_.LayoutBytes().data() + slot.offset + offset);
    }

    // Every byte of the block that belongs to no field still holds kFill.
    void ExpectGapsUntouched() const {
        const auto block = base_.LayoutBytes();
        for (uint32_t i = 0; i < kBlockSize; ++i) {
            bool inField = false;
            for (const Slot& slot : slots_) {
                inField = inField || (i >= slot.offset && i < slot.offset + slot.size);
            }
            if (!inField) {
                ASSERT_EQ(block[i], kFill) << "byte " << i << " outside every field changed";
            }
        }
    }

    Sandbox::Class car_ = db_.AddClass("car", kBlockSize);
    Sandbox::Collection base_ = car_.AddCollection("default");
    std::vector<Slot> slots_;
    uint32_t next_ = 4;
};

// ---- values of every host type ------------------------------------------------

TEST_F(ModifyFieldTest, NumbersAreWrittenInTheFieldsOwnWidth) {
    const auto i32 = Field("I32", "KQ::Reflection::Int32", BytesOf<int32_t>(1));
    const auto u32 = Field("U32", "KQ::Reflection::UInt32", BytesOf<uint32_t>(1));
    const auto i16 = Field("I16", "KQ::Reflection::Int16", BytesOf<int16_t>(1));
    const auto u16 = Field("U16", "KQ::Reflection::UInt16", BytesOf<uint16_t>(1));
    const auto f = Field("F", "KQ::Reflection::Float", BytesOf<float>(1.0f));
    RunClean(
        "update_field car default I32 -5\n"
        "update_field car default U32 4000000000\n"
        "update_field car default I16 -300\n"
        "update_field car default U16 65535\n"
        "update_field car default F 2.5");
    EXPECT_EQ(ReadAt<int32_t>(i32), -5);
    EXPECT_EQ(ReadAt<uint32_t>(u32), 4000000000u);
    EXPECT_EQ(ReadAt<int16_t>(i16), -300);
    EXPECT_EQ(ReadAt<uint16_t>(u16), 65535);
    EXPECT_EQ(ReadAt<float>(f), 2.5f);
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, EightBitTypesWriteExactlyOneByte) {
    const auto u8 = Field("U8", "KQ::Reflection::UInt8", {7});
    const auto i8 = Field("I8", "KQ::Reflection::Int8", {7});
    RunClean("update_field car default U8 200\nupdate_field car default I8 -5");
    EXPECT_THAT(Read(u8), ElementsAre(200));
    EXPECT_THAT(Read(i8), ElementsAre(0xFB));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, EightBitValueOutsideItsRangeFailsAndWritesNothing) {
    const auto u8 = Field("U8", "KQ::Reflection::UInt8", {7});
    const auto i8 = Field("I8", "KQ::Reflection::Int8", {7});
    EXPECT_THAT(
        Errors("update_field car default U8 256\n"
               "update_field car default U8 -1\n"
               "update_field car default I8 128\n"
               "update_field car default I8 -129"),
        ElementsAre("ModifyField.Act => Failed to set value of 'car'->'default'.'U8' to '256'",
                    "ModifyField.Act => Failed to set value of 'car'->'default'.'U8' to '-1'",
                    "ModifyField.Act => Failed to set value of 'car'->'default'.'I8' to '128'",
                    "ModifyField.Act => Failed to set value of 'car'->'default'.'I8' to '-129'"));
    EXPECT_THAT(Read(u8), ElementsAre(7));
    EXPECT_THAT(Read(i8), ElementsAre(7));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, BoolStoresOneOnlyForExactlyTrue) {
    const auto yes = Field("Yes", "KQ::Reflection::Bool", {0});
    const auto no = Field("No", "KQ::Reflection::Bool", {1});
    RunClean("update_field car default Yes True\nupdate_field car default No true");
    EXPECT_THAT(Read(yes), ElementsAre(1));
    EXPECT_THAT(Read(no), ElementsAre(0));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, TextFieldGetsPointerToFreshCopyAndOldTextStays) {
    static char oldText[] = "Old";
    const auto fromNull = Field("Empty", "KQ::Reflection::Text", BytesOf<char*>(nullptr));
    const auto replaced = Field("Name", "KQ::Reflection::Text", BytesOf<char*>(oldText));
    RunClean("update_field car default Empty Fast\nupdate_field car default Name Slow");
    const char* first = ReadAt<char*>(fromNull);
    const char* second = ReadAt<char*>(replaced);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, oldText);
    EXPECT_STREQ(first, "Fast");
    EXPECT_STREQ(second, "Slow");
    EXPECT_STREQ(oldText, "Old");
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, HashFieldsStoreTheNameHashOrTheWrittenKey) {
    const auto byName = Field("ByName", "Attrib::StringHashWrapper32", BytesOf<uint32_t>(1));
    const auto byHex = Field("ByHex", "Attrib::StringHashWrapper32", BytesOf<uint32_t>(1));
    const auto wide = Field("Wide", "Attrib::StringHashWrapper64", BytesOf<uint64_t>(~0ull));
    RunClean(
        "update_field car default ByName Fast\n"
        "update_field car default ByHex 0x1234ABCD\n"
        "update_field car default Wide a");
    EXPECT_EQ(ReadAt<uint32_t>(byName), KeyOf("Fast"));
    EXPECT_EQ(ReadAt<uint32_t>(byHex), 0x1234ABCDu);
    EXPECT_EQ(ReadAt<uint64_t>(wide), 0xE40C292Cull) << "32-bit FNV-1a of \"a\", widened";
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, StringKeyParseSetsHashAndTextButNotTheWideHash) {
    std::vector<uint8_t> initial(16, 0x11);
    const auto key = Field("Key", "Attrib::StringKey", initial);
    RunClean("update_field car default Key Fast");
    EXPECT_EQ(ReadAt<uint64_t>(key, 0), 0x1111111111111111ull);
    EXPECT_EQ(ReadAt<uint32_t>(key, 8), KeyOf("Fast"));
    EXPECT_STREQ(ReadAt<const char*>(key, 12), "Fast");
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, StringKeyMembersSetOnlyTheirOwnBytes) {
    const auto wide = Field("Wide", "Attrib::StringKey", std::vector<uint8_t>(16, 0x11));
    const auto hash = Field("Hash", "Attrib::StringKey", std::vector<uint8_t>(16, 0x11));
    const auto text = Field("Text", "Attrib::StringKey", std::vector<uint8_t>(16, 0x11));
    RunClean(
        "update_field car default Wide Collision64 a\n"
        "update_field car default Hash Collision Fast\n"
        "update_field car default Text Visual Slow");
    EXPECT_EQ(ReadAt<uint64_t>(wide, 0), 0xE40C292Cull);
    EXPECT_EQ(Bytes(base_.LayoutBytes().data() + wide.offset + 8, 8),
              std::vector<uint8_t>(8, 0x11));
    EXPECT_EQ(ReadAt<uint32_t>(hash, 8), KeyOf("Fast"));
    EXPECT_EQ(ReadAt<uint64_t>(hash, 0), 0x1111111111111111ull);
    EXPECT_EQ(ReadAt<uint32_t>(hash, 12), 0x11111111u);
    EXPECT_STREQ(ReadAt<const char*>(text, 12), "Slow");
    EXPECT_EQ(Bytes(base_.LayoutBytes().data() + text.offset, 12), std::vector<uint8_t>(12, 0x11));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, RefSpecChangesOnlyThroughItsMembers) {
    const auto ref = Field("Ref", "Attrib::RefSpec", std::vector<uint8_t>(12, 0x11));
    const ScriptOutcome outcome =
        Run("update_field car default Ref car\n"
            "update_field car default Ref Class car\n"
            "update_field car default Ref Collection default");
    EXPECT_THAT(
        outcome.errors,
        ElementsAre("ModifyField.Act => Failed to set value of 'car'->'default'.'Ref' to 'car'"));
    EXPECT_EQ(outcome.summary.succeeded, 2);
    EXPECT_EQ(ReadAt<uint32_t>(ref, 0), KeyOf("car"));
    EXPECT_EQ(ReadAt<uint32_t>(ref, 4), KeyOf("default"));
    EXPECT_EQ(ReadAt<uint32_t>(ref, 8), 0x11111111u);
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, VectorMemberSetsOnlyThatComponent) {
    const auto v2 = Field("V2", "Attrib::Types::Vector2", BytesOf(std::array{1.0f, 2.0f}));
    const auto v3 = Field("V3", "Attrib::Types::Vector3", BytesOf(std::array{1.0f, 2.0f, 3.0f}));
    const auto v4 =
        Field("V4", "Attrib::Types::Vector4", BytesOf(std::array{1.0f, 2.0f, 3.0f, 4.0f}));
    RunClean(
        "update_field car default V2 Y 9\n"
        "update_field car default V3 Z 9\n"
        "update_field car default V4 W 9\n"
        "update_field car default V4 X -1");
    EXPECT_EQ(ReadAt<Vec2>(v2), (std::array{1.0f, 9.0f}));
    EXPECT_EQ(ReadAt<Vec3>(v3), (std::array{1.0f, 2.0f, 9.0f}));
    EXPECT_EQ(ReadAt<Vec4>(v4), (std::array{-1.0f, 2.0f, 3.0f, 9.0f}));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, GameStructureMembersSetOnlyTheirOwnBytes) {
    const auto axle = Field("Axle", "AxlePair", BytesOf(std::array{1.0f, 2.0f}));
    const auto part = Field("Part", "FECarPartInfo", std::vector<uint8_t>(12, 0x11));
    const auto mod = Field("Mod", "JunkmanMod", std::vector<uint8_t>(12, 0x11));
    RunClean(
        "update_field car default Axle Rear 3\n"
        "update_field car default Part Level -3\n"
        "update_field car default Part Cost 1500\n"
        "update_field car default Mod ClassKey car\n"
        "update_field car default Mod DefinitionKey 0x10\n"
        "update_field car default Mod Scale 0.5");
    EXPECT_EQ(ReadAt<float>(axle, 0), 1.0f);
    EXPECT_EQ(ReadAt<float>(axle, 4), 3.0f);
    EXPECT_EQ(ReadAt<int32_t>(part, 0), -3);
    EXPECT_EQ(ReadAt<uint32_t>(part, 4), 0x11111111u) << "Rep untouched";
    EXPECT_EQ(ReadAt<float>(part, 8), 1500.0f);
    EXPECT_EQ(ReadAt<uint32_t>(mod, 0), KeyOf("car"));
    EXPECT_EQ(ReadAt<uint32_t>(mod, 4), 0x10u);
    EXPECT_EQ(ReadAt<float>(mod, 8), 0.5f);
    RunClean("update_field car default Part Rep 2.5");
    EXPECT_EQ(ReadAt<float>(part, 4), 2.5f);
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, MatrixAndCollectionKeyCannotBeSet) {
    std::vector<uint8_t> matrix(64, 0x11);
    const auto m = Field("M", "Attrib::Types::Matrix", matrix);
    const auto k = Field("K", "GCollectionKey", BytesOf<uint32_t>(7));
    EXPECT_THAT(
        Errors("update_field car default M 1\n"
               "update_field car default M Values 1\n"
               "update_field car default K default"),
        ElementsAre(
            "ModifyField.Act => Failed to set value of 'car'->'default'.'M' to '1'",
            "ModifyField.Act => Failed to set value of 'car'->'default'.'M'['Values'] to '1'",
            "ModifyField.Act => Failed to set value of 'car'->'default'.'K' to 'default'"));
    EXPECT_EQ(Read(m), matrix);
    EXPECT_EQ(ReadAt<uint32_t>(k), 7u);
    ExpectGapsUntouched();
}

// ---- failures -----------------------------------------------------------------

TEST_F(ModifyFieldTest, FailedParseLeavesFieldUnchanged) {
    const auto grip = Field("Grip", "KQ::Reflection::Float", BytesOf(1.5f));
    const auto small = Field("Small", "KQ::Reflection::Int16", BytesOf<int16_t>(3));
    EXPECT_THAT(
        Errors("update_field car default Grip abc\nupdate_field car default Small 40000"),
        ElementsAre(
            "ModifyField.Act => Failed to set value of 'car'->'default'.'Grip' to 'abc'",
            "ModifyField.Act => Failed to set value of 'car'->'default'.'Small' to '40000'"));
    EXPECT_EQ(Read(grip), BytesOf(1.5f));
    EXPECT_EQ(Read(small), BytesOf<int16_t>(3));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, MissingMemberFailsWithTheMemberMessage) {
    const auto v = Field("V", "Attrib::Types::Vector2", BytesOf(std::array{1.0f, 2.0f}));
    // A plain value has no members at all: its member list is empty.
    const auto grip = Field("Grip", "KQ::Reflection::Float", BytesOf(1.5f));
    EXPECT_THAT(
        Errors("update_field car default V Q 1\nupdate_field car default Grip X 1"),
        ElementsAre(
            "ModifyField.Act => Failed to set value of 'car'->'default'.'V'['Q'] to '1'",
            "ModifyField.Act => Failed to set value of 'car'->'default'.'Grip'['X'] to '1'"));
    EXPECT_EQ(Read(v), BytesOf(std::array{1.0f, 2.0f}));
    EXPECT_EQ(Read(grip), BytesOf(1.5f));
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, LookupFailuresNameWhatWasLookedUp) {
    Field("Grip", "KQ::Reflection::Float", BytesOf(1.5f));
    base_.SetInline("Loose", uint32_t{1});  // an entry without a definition has no type
    EXPECT_THAT(
        Errors("update_field nope default Grip 1\n"
               "update_field car nope Grip 1\n"
               "update_field car default Nope 1\n"
               "update_field car default Loose 2"),
        ElementsAre("ModifyField.Act => Class 'nope' not found",
                    "ModifyField.Act => Collection 'car'->'nope' not found",
                    "ModifyField.Act => Field 'car'->'default'.'Nope' not found or invalid",
                    "ModifyField.Act => Field 'car'->'default'.'Loose' not found or invalid"));
    EXPECT_EQ(base_.ReadInline<uint32_t>("Loose"), 1u);
    ExpectGapsUntouched();
}

TEST_F(ModifyFieldTest, TypeUnknownToTheCollectionsClassGivesTheTypeMessage) {
    // The lookup already refuses fields of unknown types, so only a collection
    // record that names another class than the one it was found through
    // reaches this check: the lookup sees "Odd" as an Int32 of "other", the
    // action asks "car", where it has a type the library does not know.
    const Hash32 unknownType("Vendor::Unknown");  // recorded, so the message names it
    auto other = db_.AddClass("other");
    other.Define("Odd", "KQ::Reflection::Int32");
    car_.Define("Odd", unknownType.GetValue());
    base_.SetInline("Odd", int32_t{5});
    Sandbox::ClassRecord* const own = base_.Record()->classObject;
    base_.Record()->classObject = other.Record();
    const auto errors = Errors("update_field car default Odd 6");
    base_.Record()->classObject = own;
    EXPECT_THAT(errors, ElementsAre("ModifyField.Act => Field 'car'->'default'.'Odd' has unknown "
                                    "type 'Vendor::Unknown'"));
    EXPECT_EQ(base_.ReadInline<int32_t>("Odd"), 5);
}

// ---- where the value lives ------------------------------------------------------

TEST_F(ModifyFieldTest, OwnEntryValueIsWrittenInlineOrBehindTheWord) {
    car_.Define("Power", "KQ::Reflection::Int32").Define("Axle", "AxlePair");
    car_.Define("Tiny", "KQ::Reflection::UInt8");
    base_.SetInline("Power", int32_t{1}).SetEntry("Tiny", 0xAAAAAA07u);
    base_.SetOutOfLine("Axle", std::array{1.0f, 2.0f});
    RunClean(
        "update_field car default Power 300\n"
        "update_field car default Tiny 9\n"
        "update_field car default Axle Front 5");
    EXPECT_EQ(base_.ReadInline<int32_t>("Power"), 300);
    EXPECT_EQ(base_.GetOwnEntry("Tiny").value, 0xAAAAAA09u) << "one byte of the word";
    EXPECT_EQ(ReadAs<Vec2>(base_.EntryTarget("Axle")), (std::array{5.0f, 2.0f}));
}

TEST_F(ModifyFieldTest, FieldOnlyInAncestorIsWrittenThere) {
    car_.Define("Power", "KQ::Reflection::Int32");
    base_.SetInline("Power", int32_t{1});
    const auto tuned = car_.AddCollection("tuned", base_);
    const auto race = car_.AddCollection("race", tuned);
    RunClean("update_field car race Power 300");
    EXPECT_EQ(base_.ReadInline<int32_t>("Power"), 300);
    EXPECT_THAT(tuned.OwnEntries(), IsEmpty());
    EXPECT_THAT(race.OwnEntries(), IsEmpty());
}

TEST_F(ModifyFieldTest, LayoutFieldOfChildIsItsOwnCopy) {
    const auto grip = Field("Grip", "KQ::Reflection::Float", BytesOf(1.5f));
    const auto tuned = car_.AddCollection("tuned", base_);
    RunClean("update_field car tuned Grip 3");
    EXPECT_EQ(tuned.ReadLayout<float>("Grip"), 3.0f);
    EXPECT_EQ(ReadAt<float>(grip), 1.5f);
}

// ---- arrays ---------------------------------------------------------------------

class ModifyFieldArrayTest : public ModifyFieldTest {
protected:
    ModifyFieldArrayTest() {
        car_.Define("Gears", "KQ::Reflection::Int32").Define("Grip", "KQ::Reflection::Float");
        base_.SetArray("Gears", ArrayOf<int32_t>({1, 2, 3}, 4));
        base_.SetInline("Grip", 1.5f);
    }

    std::vector<uint8_t> Header(const Sandbox::Collection& owner) const {
        return Bytes(&owner.OwnArray("Gears"), sizeof(Sandbox::ArrayHeader));
    }
};

TEST_F(ModifyFieldArrayTest, SubscriptSetsThatElementOnly) {
    const auto header = Header(base_);
    RunClean("update_field car default Gears[2] 9");
    EXPECT_THAT(Sandbox::ElementsOf<int32_t>(base_.OwnArray("Gears")), ElementsAre(1, 2, 9));
    EXPECT_EQ(Header(base_), header);
}

TEST_F(ModifyFieldArrayTest, ArrayWithoutSubscriptSetsElementZero) {
    RunClean("update_field car default Gears 9");
    EXPECT_THAT(Sandbox::ElementsOf<int32_t>(base_.OwnArray("Gears")), ElementsAre(9, 2, 3));
}

TEST_F(ModifyFieldArrayTest, SubscriptOutsideTheCountFails) {
    const auto before = Bytes(&base_.OwnArray("Gears"), 8 + 4 * 4);
    EXPECT_THAT(
        Errors("update_field car default Gears[3] 9\n"
               "update_field car default Gears[-1] 9"),
        ElementsAre("ModifyField.Act => Invalid array subscript 'car'->'default'.'Gears'[3]",
                    "ModifyField.Act => Invalid array subscript 'car'->'default'.'Gears'[-1]"));
    EXPECT_EQ(Bytes(&base_.OwnArray("Gears"), 8 + 4 * 4), before) << "the spare slot too";
}

TEST_F(ModifyFieldArrayTest, SubscriptOnPlainFieldIsIgnored) {
    RunClean("update_field car default Grip[7] 2.5");
    EXPECT_EQ(base_.ReadInline<float>("Grip"), 2.5f);
}

TEST_F(ModifyFieldArrayTest, InheritedArrayElementIsWrittenInParentsArray) {
    const auto tuned = car_.AddCollection("tuned", base_);
    const auto header = Header(base_);
    RunClean("update_field car tuned Gears[1] 9\nupdate_field car tuned Gears 8");
    EXPECT_EQ(Header(base_), header) << "no value was bound over the record's header";
    EXPECT_THAT(Sandbox::ElementsOf<int32_t>(base_.OwnArray("Gears")), ElementsAre(8, 9, 3));
    EXPECT_THAT(tuned.OwnEntries(), IsEmpty());
    EXPECT_THAT(
        Errors("update_field car tuned Gears[3] 9"),
        ElementsAre("ModifyField.Act => Invalid array subscript 'car'->'tuned'.'Gears'[3]"));
}

TEST_F(ModifyFieldArrayTest, OneByteElementsKeepTheirNeighbours) {
    car_.Define("Levels", "KQ::Reflection::UInt8").Define("Offsets", "KQ::Reflection::Int8");
    base_.SetArray("Levels", ArrayOf<uint8_t>({1, 2, 3, 4}));
    base_.SetArray("Offsets", ArrayOf<int8_t>({1, 2, 3, 4}));
    const ScriptOutcome outcome =
        Run("update_field car default Levels[1] 200\n"
            "update_field car default Offsets[2] -1\n"
            "update_field car default Levels[3] 256");
    EXPECT_THAT(outcome.errors,
                ElementsAre("ModifyField.Act => Failed to set value of 'car'->'default'.'Levels' "
                            "to '256'"));
    EXPECT_THAT(Sandbox::ElementsOf<uint8_t>(base_.OwnArray("Levels")), ElementsAre(1, 200, 3, 4));
    EXPECT_THAT(Sandbox::ElementsOf<int8_t>(base_.OwnArray("Offsets")), ElementsAre(1, 2, -1, 4));
}

TEST_F(ModifyFieldTest, ArrayFlagOfAnotherEntryOfTheKeyMakesNoArrayOfTheFoundStorage) {
    // The layout field is found first; an own entry of the same key flagged
    // as an array says nothing about the layout slot's bytes.
    car_.AddLayoutField("Grip", "KQ::Reflection::Float", 8);
    car_.AddLayoutField("Other", "KQ::Reflection::Int32", 16);
    base_.SetLayout("Grip", 1.5f).SetLayout("Other", int32_t{7});
    base_.SetArray("Grip", ArrayOf<float>({9.0f}));
    // Two own entries of one key, the first plain: the first is the field.
    car_.Define("Power", "KQ::Reflection::Float").Define("Spare", "KQ::Reflection::Float");
    base_.SetInline("Power", 1.5f).SetArray("Spare", ArrayOf<float>({9.0f}));
    base_.GetOwnEntry("Spare").key = KeyOf("Power");
    const auto entries = Bytes(base_.OwnEntries().data(), base_.OwnEntries().size_bytes());

    RunClean("update_field car default Grip 2.5\nupdate_field car default Power 2.5");
    EXPECT_EQ(base_.ReadLayout<float>("Grip"), 2.5f);
    EXPECT_EQ(base_.ReadLayout<int32_t>("Other"), 7);
    EXPECT_EQ(base_.ReadInline<float>("Power"), 2.5f);
    auto expected = entries;
    const float written = 2.5f;
    std::memcpy(expected.data() + sizeof(Sandbox::OwnEntry) + 4, &written, 4);  // Power's word
    EXPECT_EQ(Bytes(base_.OwnEntries().data(), base_.OwnEntries().size_bytes()), expected);
    EXPECT_THAT(Sandbox::ElementsOf<float>(base_.OwnArray("Grip")), ElementsAre(9.0f));
    EXPECT_THAT(Errors("resize_field car default Grip 3\nresize_field car default Power 3"),
                ElementsAre("ResizeField.Act => Field 'car'->'default'.'Grip' is not an array: "
                            "you can only resize arrays",
                            "ResizeField.Act => Field 'car'->'default'.'Power' is not an array: "
                            "you can only resize arrays"));
}

TEST_F(ModifyFieldArrayTest, ZeroElementSizeStandsForFour) {
    auto contents = ArrayOf<int32_t>({1, 2, 3});
    contents.elementSize = 0;
    car_.Define("Ratios", "KQ::Reflection::Int32");
    base_.SetArray("Ratios", contents);
    RunClean("update_field car default Ratios[2] 9");
    EXPECT_THAT(Sandbox::ElementsOf<int32_t>(base_.OwnArray("Ratios")), ElementsAre(1, 2, 9));
    EXPECT_EQ(base_.OwnArray("Ratios").elementSize, 0);
}

TEST_F(ModifyFieldArrayTest, ArrayInTheLayoutBlockIsAnArrayToo) {
    car_.AddLayoutField("Shifts", "KQ::Reflection::Int16", 256, Sandbox::FieldShape::Array);
    base_.SetLayoutArray("Shifts", ArrayOf<int16_t>({1, 2}));
    RunClean("update_field car default Shifts[1] -7");
    EXPECT_THAT(Sandbox::ElementsOf<int16_t>(base_.LayoutArray("Shifts")), ElementsAre(1, -7));
    EXPECT_EQ(base_.LayoutArray("Shifts").count, 2);
}

}  // namespace
}  // namespace rakor::Attrib::Automation

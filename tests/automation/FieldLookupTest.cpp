#include <array>
#include <cstdint>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/FieldLookup.h"
#include "sandbox/Database.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor::Attrib::Automation {
namespace {

using Sandbox::ArrayOf;

// The lookups read the sandbox's records in place, exactly as the game's.
Host::CollectionRecord* HostView(const Sandbox::Collection& collection) {
    return reinterpret_cast<Host::CollectionRecord*>(collection.Record());
}

class FieldLookupTest : public ::testing::Test {
protected:
    FieldLookupTest() {
        car_.AddLayoutField("Grip", "KQ::Reflection::Float", 8)
            .Define("Power", "KQ::Reflection::Int32")
            .Define("Axle", "AxlePair")
            .Define("Gears", "KQ::Reflection::Int32")
            .Define("Odd", "Vendor::Unknown");
        base_.SetInline("Power", int32_t{100})
            .SetOutOfLine("Axle", std::array{1.0f, 2.0f})
            .SetArray("Gears", ArrayOf<int32_t>({1, 2, 3}));
    }

    void* Find(const Sandbox::Collection& collection, const char* field) const {
        return FindFieldData(HostView(collection), Hash32(field));
    }
    bool IsArray(const Sandbox::Collection& collection, const char* field) const {
        return IsArrayField(HostView(collection), Hash32(field));
    }

    Sandbox::Database db_;
    Sandbox::Class car_ = db_.AddClass("car", 32);
    Sandbox::Collection base_ = car_.AddCollection("default");
};

TEST_F(FieldLookupTest, LayoutFieldIsFoundInTheLayoutBlockEvenWithAnOwnEntry) {
    base_.SetInline("Grip", 9.0f);
    EXPECT_EQ(Find(base_, "Grip"), base_.LayoutBytes().data() + 8);
}

TEST_F(FieldLookupTest, OwnEntryIsInlineOnlyForSmallPlainValues) {
    EXPECT_EQ(Find(base_, "Power"), &base_.GetOwnEntry("Power").value);
    EXPECT_EQ(Find(base_, "Axle"), base_.EntryTarget("Axle"));
    EXPECT_EQ(Find(base_, "Gears"), base_.EntryTarget("Gears")) << "an array of 4-byte values";
}

TEST_F(FieldLookupTest, FieldHeldOnlyByAnAncestorIsFoundThere) {
    const auto tuned = car_.AddCollection("tuned", base_);
    const auto race = car_.AddCollection("race", tuned);
    EXPECT_EQ(Find(race, "Power"), &base_.GetOwnEntry("Power").value);
    EXPECT_EQ(Find(race, "Gears"), base_.EntryTarget("Gears"));
    EXPECT_EQ(Find(race, "Grip"), race.LayoutBytes().data() + 8) << "every layout block is own";
}

TEST_F(FieldLookupTest, AncestorWhoseClassGivesNoTypeIsPassedOver) {
    // The middle collection's record names a class without a definition of
    // "Power": the walk goes on to the grandparent, which holds the field.
    auto mid = car_.AddCollection("mid", base_);
    const auto tuned = car_.AddCollection("tuned", mid);
    mid.SetInline("Power", int32_t{5});  // of no known type there: never touched
    Sandbox::ClassRecord* const own = mid.Record()->classObject;
    mid.Record()->classObject = db_.AddClass("other").Record();
    void* const found = Find(tuned, "Power");
    mid.Record()->classObject = own;
    EXPECT_EQ(found, &base_.GetOwnEntry("Power").value);
}

TEST_F(FieldLookupTest, FieldWithoutRegisteredTypeIsNotFound) {
    base_.SetInline("Odd", uint32_t{1}).SetInline("Undefined", uint32_t{1});
    EXPECT_EQ(Find(base_, "Odd"), nullptr);
    EXPECT_EQ(Find(base_, "Undefined"), nullptr);
    EXPECT_EQ(Find(base_, "Nowhere"), nullptr);
}

TEST_F(FieldLookupTest, ArrayFlagIsReadFromLayoutAndOwnEntriesButNotFromParents) {
    car_.AddLayoutField("Shifts", "KQ::Reflection::Int16", 16, Sandbox::FieldShape::Array);
    const auto tuned = car_.AddCollection("tuned", base_);
    EXPECT_TRUE(IsArray(base_, "Shifts"));
    EXPECT_TRUE(IsArray(base_, "Gears"));
    EXPECT_FALSE(IsArray(base_, "Power"));
    EXPECT_FALSE(IsArray(base_, "Grip"));
    EXPECT_FALSE(IsArray(tuned, "Gears"));
    // A layout entry with a clear flag does not end the search.
    base_.SetArray("Grip", ArrayOf<float>({1.0f}));
    EXPECT_TRUE(IsArray(base_, "Grip"));
}

TEST_F(FieldLookupTest, InheritedArrayIsLocatedAsAnArrayOfItsOwner) {
    const auto tuned = car_.AddCollection("tuned", base_);
    const FieldLocation location = LocateField(HostView(tuned), Hash32("Gears"));
    EXPECT_EQ(location.storage, base_.EntryTarget("Gears"));
    EXPECT_TRUE(location.isArray);
    EXPECT_EQ(location.owner, HostView(base_));
    EXPECT_FALSE(location.inLayout);
}

TEST_F(FieldLookupTest, EveryRegisteredTypeLiesInlineExactlyWhenItFitsTheWord) {
    int registered = 0;
    for (const auto& [typeKey, type] : AttribTypeRegistry::Instance().Types()) {
        if (!type) {
            continue;  // a lookup miss leaves an empty entry
        }
        ++registered;
        const std::string field = "Field_" + std::to_string(typeKey.GetValue());
        car_.Define(field, typeKey.GetValue());
        base_.SetEntry(field, 0x1000);
        void* const found = Find(base_, field.c_str());
        if (type->GetSize() <= 4) {
            EXPECT_EQ(found, &base_.GetOwnEntry(field).value) << typeKey.ToString();
        } else {
            EXPECT_EQ(found, reinterpret_cast<void*>(0x1000)) << typeKey.ToString();
        }
    }
    EXPECT_EQ(registered, 21);
}

}  // namespace
}  // namespace rakor::Attrib::Automation

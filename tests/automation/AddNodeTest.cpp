#include <cstdint>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/FieldLookup.h"
#include "automation/ScriptFixture.h"

namespace rakor::Attrib::Automation {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AddNodeTest : public Testing::ScriptTest {
protected:
    AddNodeTest() {
        car_.AddLayoutField("Grip", "KQ::Reflection::Float", 0)
            .Define("Power", "KQ::Reflection::Int32");
        base_.SetLayout("Grip", 1.5f).SetInline("Power", int32_t{100});
        other_.SetLayout("Grip", 7.0f).SetInline("Power", int32_t{700});
    }

    Sandbox::Class car_ = db_.AddClass("car", 8);
    Sandbox::Collection base_ = car_.AddCollection("default");
    Sandbox::Collection other_ = car_.AddCollection("other");
};

TEST_F(AddNodeTest, NewCollectionIsTheHostsChildOfTheParent) {
    RunClean("add_node car default tuned");
    const auto tuned = car_.FindCollection("tuned");
    ASSERT_TRUE(tuned.has_value());
    EXPECT_TRUE(tuned->ConstructedByLibrary());
    EXPECT_EQ(tuned->GetClass(), car_);
    ASSERT_TRUE(tuned->Parent().has_value());
    EXPECT_EQ(*tuned->Parent(), base_);
    EXPECT_THAT(tuned->OwnEntries(), IsEmpty());
    EXPECT_THAT(db_.Complaints(), IsEmpty()) << "36 zeroed bytes, fourth argument 0";
}

TEST_F(AddNodeTest, NewCollectionInheritsItsParentsValues) {
    RunClean("add_node car default tuned");
    const auto tuned = car_.GetCollection("tuned");
    auto* const record = reinterpret_cast<Host::CollectionRecord*>(tuned.Record());
    EXPECT_EQ(FindFieldData(record, Hash32("Power")), &base_.GetOwnEntry("Power").value);
    EXPECT_EQ(tuned.ReadLayout<float>("Grip"), 1.5f);
}

TEST_F(AddNodeTest, CopyNodeCopiesNothingOfTheNamedCollection) {
    RunClean("copy_node car default other copy");
    const auto copy = car_.GetCollection("copy");
    EXPECT_EQ(*copy.Parent(), base_);
    EXPECT_THAT(copy.OwnEntries(), IsEmpty());
    EXPECT_EQ(copy.ReadLayout<float>("Grip"), 1.5f) << "the parent's layout, not other's";
}

TEST_F(AddNodeTest, UnknownClassOrParentFailsWithoutBuildingAnything) {
    EXPECT_THAT(Errors("add_node nope default tuned\nadd_node car nope tuned"),
                ElementsAre("AddNode.Act => Class 'nope' not found",
                            "AddNode.Act => Collection parent 'car'->'nope' not found"));
    EXPECT_EQ(car_.Collections().size(), 2u);
    EXPECT_FALSE(car_.FindCollection("tuned").has_value());
    EXPECT_THAT(db_.Complaints(), IsEmpty());
}

TEST_F(AddNodeTest, SameNameTwiceHandsTheHostTwoFreshCollections) {
    RunClean("add_node car default tuned\nadd_node car other tuned");
    ASSERT_EQ(car_.Collections().size(), 4u);
    EXPECT_NE(car_.Collections()[2].Record(), car_.Collections()[3].Record());
    EXPECT_EQ(*car_.GetCollection("tuned").Parent(), other_) << "the later one takes the key";
    EXPECT_THAT(db_.Complaints(), IsEmpty());
}

}  // namespace
}  // namespace rakor::Attrib::Automation

// What vxmod show (and an editor's hover) says a collection holds, against
// what the loader does: a collection that add_node makes from it holds
// exactly the fields said to be copied, and finds every other one in the
// collection said to hold it.
#include <algorithm>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "automation/AddNode.h"
#include "automation/FieldLookup.h"
#include "review/CollectionFields.h"
#include "review/DatabaseNames.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

namespace vxmod {
namespace {

namespace sandbox = rakor::Sandbox;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

// What the game has and the every-field database does not: a parent of
// another class, whose layout holds a field the child's class keeps in
// entries; a field of a type the loader does not know; one without a
// definition; an entry that points nowhere.
constexpr const char* kOddDatabase = R"({"classes": {
  "engine": {
    "fields": {"Power": {"type": "KQ::Reflection::Float", "storage": "layout"}},
    "collections": {"base": {"values": {"Power": 90}}}},
  "car": {
    "fields": {
      "Mass":   {"type": "KQ::Reflection::Float", "storage": "layout"},
      "Power":  {"type": "KQ::Reflection::Float"},
      "Centre": {"type": "Attrib::Types::Vector3"},
      "Blob":   {"type": "Mystery", "size": 4},
      "Loose":  {"type": "KQ::Reflection::Int32", "definition": false}},
    "collections": {
      "hybrid": {"parent": {"class": "engine", "collection": "base"},
                 "values": {"Mass": 1500, "Centre": null, "Blob": "01020304", "Loose": 7}},
      "plugin": {"parent": "hybrid"}}}}})";

nlohmann::ordered_json Description(const char* text) {
    return nlohmann::ordered_json::parse(text);
}

nlohmann::ordered_json EveryFieldDatabase() {
    std::ifstream in(VEXA_EVERY_FIELD_DATABASE);
    return nlohmann::ordered_json::parse(in);
}

const CollectionField* Field(const CollectionFields& found, const std::string& name) {
    const auto at = std::find_if(found.fields.begin(), found.fields.end(),
                                 [&](const CollectionField& field) { return field.name == name; });
    return at == found.fields.end() ? nullptr : &*at;
}

TEST(CollectionFieldsTest, ANewCollectionHoldsWhatWasSaidAndInheritsTheRestFromTheHolderNamed) {
    int probes = 0;
    for (const auto& description : {EveryFieldDatabase(), Description(kOddDatabase)}) {
        sandbox::Database database;
        sandbox::LoadDescription(database, description);
        for (const auto& [className, cls] : description["classes"].items()) {
            for (const auto& [name, unused] : cls["collections"].items()) {
                const auto result = FieldsOfCollection(database, className, name);
                ASSERT_TRUE(std::holds_alternative<CollectionFields>(result)) << name;
                const CollectionFields& found = std::get<CollectionFields>(result);

                // Every field of the class is listed, reached or not.
                std::vector<std::string> listed = found.notFound;
                for (const CollectionField& field : found.fields) {
                    listed.push_back(field.name);
                }
                std::vector<std::string> fields;
                for (const auto& [field, unused2] : cls["fields"].items()) {
                    fields.push_back(field);
                }
                EXPECT_THAT(listed, UnorderedElementsAreArray(fields)) << name;

                // The loader's add_node, then the lookup a line of the new
                // collection makes.
                const std::string probe = "probe_" + className + "_" + name;
                rakor::Attrib::Automation::AddNode(className, name, probe).Act();
                auto* const made = reinterpret_cast<rakor::Host::CollectionRecord*>(
                    database.GetClass(className).GetCollection(probe).Record());
                ++probes;
                for (const CollectionField& field : found.fields) {
                    const auto there = rakor::Attrib::Automation::LocateField(
                        made, rakor::Attrib::Hash32(field.name));
                    const std::string where = className + "->" + name + "." + field.name;
                    EXPECT_EQ(there.owner == made, field.newCollectionHoldsIt) << where;
                    if (there.owner != made) {
                        DatabaseNames names;
                        std::string holder;
                        names.NameCollection(there.owner, there.owner->classObject, holder);
                        EXPECT_EQ(holder, field.heldItself ? name : field.holder) << where;
                    }
                }
            }
        }
    }
    EXPECT_GT(probes, 5);
}

TEST(CollectionFieldsTest, AParentOfAnotherClassAndFieldsTheLoaderCannotWrite) {
    sandbox::Database database;
    sandbox::LoadDescription(database, Description(kOddDatabase));
    const auto result = FieldsOfCollection(database, "car", "plugin");
    ASSERT_TRUE(std::holds_alternative<CollectionFields>(result));
    const CollectionFields& plugin = std::get<CollectionFields>(result);
    EXPECT_EQ(plugin.parent, "hybrid");
    EXPECT_EQ(plugin.parentClass, "");
    EXPECT_THAT(plugin.notFound, ElementsAre("Blob", "Loose"));

    const CollectionField* mass = Field(plugin, "Mass");
    ASSERT_NE(mass, nullptr);
    EXPECT_TRUE(mass->heldItself && mass->inLayout && mass->newCollectionHoldsIt);
    EXPECT_EQ(mass->value, "1500");

    // Held in the layout of a parent of another class: not the child's to hold.
    const CollectionField* power = Field(plugin, "Power");
    ASSERT_NE(power, nullptr);
    EXPECT_EQ(power->holder, "base");
    EXPECT_EQ(power->holderClass, "engine");
    EXPECT_TRUE(power->inLayout);
    EXPECT_FALSE(power->heldItself || power->newCollectionHoldsIt);
    EXPECT_EQ(power->value, "90");

    const CollectionField* centre = Field(plugin, "Centre");
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->holder, "hybrid");
    EXPECT_FALSE(centre->inLayout);
    EXPECT_EQ(centre->value, std::nullopt);  // its entry points nowhere

    const auto hybrid = std::get<CollectionFields>(FieldsOfCollection(database, "car", "hybrid"));
    EXPECT_EQ(hybrid.parent, "base");
    EXPECT_EQ(hybrid.parentClass, "engine");
}

TEST(CollectionFieldsTest, WhatIsNotThereIsNamedWithWhatWasProbablyMeant) {
    sandbox::Database database;
    sandbox::LoadDescription(database, Description(kOddDatabase));
    const auto said = [&](const char* cls, const char* collection) {
        const auto result = FieldsOfCollection(database, cls, collection);
        return std::holds_alternative<NoSuchCollection>(result)
                   ? std::get<NoSuchCollection>(result).problem
                   : std::string("found");
    };
    EXPECT_EQ(said("cra", "hybrid"), "there is no class 'cra'; did you mean 'car'?");
    EXPECT_EQ(said("car", "hybird"),
              "class 'car' has no collection 'hybird'; did you mean 'hybrid'?");
    EXPECT_THAT(said("car", "0xZZ"), HasSubstr("'0xZZ' is no name and no key"));
    EXPECT_EQ(said("car", "plugin"), "found");
}

}  // namespace
}  // namespace vxmod

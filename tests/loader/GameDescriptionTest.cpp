#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hash/HashResolver.h"
#include "loader/GameDescription.h"
#include "loader/ScriptNames.h"
#include "sandbox/DatabaseDescription.h"
#include "support/HashListOf.h"
#include "support/LogCapture.h"
#include "support/TempDirectory.h"

namespace rakor {
namespace {

using Json = nlohmann::ordered_json;

// The same document whatever the order of its object keys.
nlohmann::json Unordered(const Json& document) {
    return nlohmann::json::parse(document.dump());
}

class GameDescriptionTest : public ::testing::Test {
protected:
    GameDescriptionTest() { Attrib::HashResolver::ResetForTesting(); }
    ~GameDescriptionTest() override { Attrib::HashResolver::ResetForTesting(); }

    Json Describe() {
        GameDescription game(NamesTheScriptsUse("AttribMods"), GameNames::ReadHashList(),
                             *log_.Logger());
        std::string text;
        const GameDescription::Written written =
            game.Describe("a note", [&](std::string_view piece) { text += piece; });
        EXPECT_THAT(written.problems, ::testing::IsEmpty());
        return Json::parse(text);
    }

    vexa::test::TempDirectory cwd_{/*enter=*/true};
    vexa::test::LogCapture log_;
};

// Every class and collection that the scripts name, with a hash list that
// names everything, as a modder's game has one: read back by vxmod's own
// loader, the description holds every value as the database does, of every
// type in every place (layout, own entries, arrays of every header).
TEST_F(GameDescriptionTest, ReadBackItGivesTheDatabaseItWasWrittenFrom) {
    for (const char* file : {VEXA_EXAMPLE_DATABASE, VEXA_EVERY_FIELD_DATABASE}) {
        SCOPED_TRACE(file);
        Attrib::HashResolver::ResetForTesting();
        const Json description = Sandbox::ReadDescriptionFile(file);
        std::string script;
        for (const auto& [cls, contents] : description["classes"].items()) {
            for (const auto& [collection, unused] : contents["collections"].items()) {
                script += "delete_node " + cls + " " + collection + "\n";
            }
        }
        cwd_.Write("Qzr/VLTHashes.txt", vexa::test::HashListOf(description));
        cwd_.Write("AttribMods/names.vxmod", script);

        Json original;
        Json snapshot;
        {
            Sandbox::Database db;
            Sandbox::LoadDescription(db, description);
            original = Sandbox::DumpDescription(db);
            snapshot = Describe();
        }
        Sandbox::Database db;
        Sandbox::LoadDescription(db, snapshot);
        const Json reread = Sandbox::DumpDescription(db);
        for (const auto& [cls, contents] : original["classes"].items()) {
            // A field with a note is one whose type the game's records do
            // not give (no definition, a type the loader does not know):
            // its values are its bytes.
            Json expected = contents;
            Json got = reread["classes"][cls];
            std::vector<std::string> noted;
            for (const auto& [field, described] : got["fields"].items()) {
                if (described.contains("note")) {
                    noted.push_back(field);
                }
            }
            for (Json* side : {&expected, &got}) {
                for (const std::string& field : noted) {
                    (*side)["fields"].erase(field);
                    for (auto& [name, collection] : (*side)["collections"].items()) {
                        if (collection.contains("values")) {
                            collection["values"].erase(field);
                        }
                    }
                }
            }
            EXPECT_EQ(Unordered(got), Unordered(expected)) << cls;
        }
    }
}

// What the scripts name decides what is written: a class named only as a
// value, collections the hash list names, the parents of all of them (named
// after a child where nothing names them), and the layout as the game placed
// it; a collection nobody names is left out.
TEST_F(GameDescriptionTest, WritesWhatTheScriptsAndTheHashListNameWithTheirParents) {
    cwd_.Write("AttribMods/a.vxmod",
               "update_field car tuned Engine Class engine\nupdate_field car tuned Grip 2\n");
    cwd_.Write("Qzr/VLTHashes.txt", "listed\nv8\n");
    Json snapshot;
    {
        Sandbox::Database db;
        Sandbox::Class car = db.AddClass("car", 12);
        car.AddLayoutField("Grip", "KQ::Reflection::Float", 8)
            .AddLayoutField("Doors", "KQ::Reflection::UInt8", 0);
        Sandbox::Collection root = car.AddCollection("base");
        root.SetLayout("Grip", 1.5f);
        car.AddCollection("tuned", root);
        car.AddCollection("listed", root);
        car.AddCollection("hidden", root);
        db.AddClass("engine").AddCollection("v8");
        snapshot = Describe();
    }
    EXPECT_EQ(snapshot["note"], "a note");
    const Json& car = snapshot["classes"]["car"];
    EXPECT_EQ(Unordered(car["collections"]), nlohmann::json::parse(R"j({
        "tuned": {"parent": "(unnamed parent of tuned)"},
        "listed": {"parent": "(unnamed parent of tuned)"},
        "(unnamed parent of tuned)": {"values": {"Grip": 1.5}}})j"));
    // Nothing names Doors: it is written as its key.
    EXPECT_EQ(Unordered(car["fields"]),
              nlohmann::json::parse(fmt::format(
                  R"({{"0x{:08X}": {{"type": "KQ::Reflection::UInt8", "storage": "layout"}},
                       "Grip": {{"type": "KQ::Reflection::Float", "storage": "layout",
                                 "offset": 8}}}})",
                  Sandbox::HashName("Doors"))));
    EXPECT_EQ(Unordered(snapshot["classes"]["engine"]),
              nlohmann::json::parse(R"({"collections": {"v8": {}}})"));

    Sandbox::Database db;
    Sandbox::LoadDescription(db, snapshot);
    EXPECT_EQ(db.GetClass("car").GetCollection("tuned").LayoutOffset("Grip"), 8u);
}

}  // namespace
}  // namespace rakor

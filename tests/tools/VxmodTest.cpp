// Black-box tests of the vxmod program: each test runs the built binary in a
// fresh folder and checks what it printed, its exit status, the log it left
// and the database it dumped.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "VxmodFixture.h"

namespace {

using namespace vexa::test;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
// One class "car" with a field of every host type: the layout fields Speed
// and Doors, the rest in the own entries of "default".
constexpr std::string_view kEveryTypeDatabase = R"({
  "classes": {
    "car": {
      "fields": {
        "Speed":  { "type": "KQ::Reflection::Float", "storage": "layout" },
        "Doors":  { "type": "KQ::Reflection::UInt8", "storage": "layout" },
        "I8":     { "type": "KQ::Reflection::Int8" },
        "U16":    { "type": "KQ::Reflection::UInt16" },
        "I16":    { "type": "KQ::Reflection::Int16" },
        "U32":    { "type": "KQ::Reflection::UInt32" },
        "I32":    { "type": "KQ::Reflection::Int32" },
        "F":      { "type": "KQ::Reflection::Float" },
        "B":      { "type": "KQ::Reflection::Bool" },
        "T":      { "type": "KQ::Reflection::Text" },
        "H32":    { "type": "Attrib::StringHashWrapper32" },
        "H64":    { "type": "Attrib::StringHashWrapper64" },
        "Key":    { "type": "Attrib::StringKey" },
        "Ref":    { "type": "Attrib::RefSpec" },
        "V2":     { "type": "Attrib::Types::Vector2" },
        "V3":     { "type": "Attrib::Types::Vector3" },
        "V4":     { "type": "Attrib::Types::Vector4" },
        "M":      { "type": "Attrib::Types::Matrix" },
        "Axle":   { "type": "AxlePair" },
        "Coll":   { "type": "GCollectionKey" },
        "Part":   { "type": "FECarPartInfo" },
        "Mod":    { "type": "JunkmanMod" },
        "Ratios": { "type": "KQ::Reflection::Float", "array": true }
      },
      "collections": {
        "default": {
          "values": {
            "Speed": 100, "Doors": 4, "I8": 1, "U16": 1, "I16": 1, "U32": 1, "I32": 1,
            "F": 1, "B": false, "T": "old", "H32": "old", "H64": "old",
            "Key": { "Collision64": "0x0", "Collision": "old", "Visual": "old" },
            "Ref": { "Class": "car", "Collection": "default" },
            "V2": [1, 2], "V3": [1, 2, 3], "V4": [1, 2, 3, 4],
            "M": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1],
            "Axle": { "Front": 1, "Rear": 1 }, "Coll": "default",
            "Part": { "Level": 1, "Rep": 1, "Cost": 1 },
            "Mod": { "ClassKey": "car", "DefinitionKey": "default", "Scale": 1 },
            "Ratios": [1, 2, 3]
          }
        }
      }
    }
  }
})";

class VxmodTest : public vexa::test::VxmodFixture {
protected:
    // Runs one script against the every-type database and returns the
    // values of car->default in the dump afterwards.
    Json ValuesAfter(const std::string& script, Result* result = nullptr) {
        Write("db.json", kEveryTypeDatabase);
        Write("AttribMods/edit.vxmod", script);
        const Result run = Vxmod("run --db db.json --dump after.json");
        if (result != nullptr) {
            *result = run;
        }
        return ReadDump("after.json")["classes"]["car"]["collections"]["default"]["values"];
    }
};

// ---- the run: log, box and diagnostics -------------------------------------

TEST_F(VxmodTest, RunWritesTheLoadersLogLines) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/x.vxmod",
          "add_node nope default a\n"
          "add_node car default a\n"
          "add_node car default b\n"
          "add_node car default c\n");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(LogMessages(),
                ElementsAre("[warning] [AttribMods/x.vxmod] Caught error executing script line: "
                            "AddNode.Act => Class 'nope' not found",
                            "[info] [AttribMods/x.vxmod] Script loaded with errors: 3 succesful / "
                            "1 failed"));
}

// Run in the game's folder, vxmod leaves the game's log as the game wrote
// it (a modder may need it for a report) and says where its own goes.
TEST_F(VxmodTest, RunWritesItsOwnLogBesideTheGamesAndSaysWhere) {
    const std::string gameLog =
        "[2026-12-07 18:02:09.114] [VexaAttribLoader.Tormelin] [info] "
        "Vexa Attrib Loader 0.1.0: The game's code is patched\n";
    Write("VexaAttribLoader.Tormelin.log", gameLog);
    Write("AttribMods/x.vxmod", "add_node nope default a\n");
    const Result run = Vxmod("run");
    EXPECT_EQ(ReadFile(work_.Path() / "VexaAttribLoader.Tormelin.log"), gameLog);
    EXPECT_THAT(Lines(run.out)[0], EndsWith("; the log goes to vxmod.log."));
    EXPECT_THAT(LogMessages(), Contains(HasSubstr("Class 'nope' not found")));
    EXPECT_THAT(run.err, HasSubstr("Please check the 'vxmod.log' file for details."));
}

TEST_F(VxmodTest, CleanScriptLogsSummaryWithoutSuffixAndExitsZero) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/ok.vxmod", "# only a comment\n\nupdate_field car default I32 5\n");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(LogMessages(),
                ElementsAre("[info] [AttribMods/ok.vxmod] Script loaded: 1 succesful / 0 failed"));
    EXPECT_THAT(run.err, IsEmpty());
}

TEST_F(VxmodTest, FailedLineGivesBoxAndCompilerStyleDiagnosticOnStderr) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/sub/y.vxmod",
          "# header\n"
          "update_field car default I32 7\n"
          "update_field car default Missing 1\n"
          "update_field car default\n");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err,
                HasSubstr("[Vexa Attrib Loader - Tormelin]\nScript 'AttribMods/sub/y.vxmod' "
                          "loaded with errors!\n\nPlease check the 'vxmod.log' file for "
                          "details.\n"));
    EXPECT_THAT(Lines(run.err),
                AllOf(Contains("AttribMods/sub/y.vxmod:3: ModifyField.Act => Field "
                               "'car'->'default'.'Missing' not found or invalid"),
                      Contains(AllOf(StartsWith("AttribMods/sub/y.vxmod:4: update_field: needs 4 "
                                                "arguments but has 2"),
                                     Not(HasSubstr("\n"))))));
    // The log carries the same message as the diagnostic.
    EXPECT_THAT(LogMessages(), Contains(HasSubstr("Caught error executing script line: "
                                                  "ModifyField.Act => Field "
                                                  "'car'->'default'.'Missing' not found or "
                                                  "invalid")));
}

TEST_F(VxmodTest, DisabledAndLookalikeFilesDoNotRun) {
    Write("db.json", kEveryTypeDatabase);
    const std::string bad = "add_node nope default a\n";
    Write("AttribMods/!old.vxmod", bad);
    Write("AttribMods/!off/inner.vxmod", bad);
    Write("AttribMods/tune.VXMOD", bad);
    Write("AttribMods/tune.vxmod.txt", bad);
    Write("AttribMods/tune.old.vxmod", "add_node car default a\n");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(LogMessages(), ElementsAre("[info] [AttribMods/tune.old.vxmod] Script loaded: 1 "
                                           "succesful / 0 failed"));
}

TEST_F(VxmodTest, RunOfAMissingFolderOrOfAFileIsRefusedWithoutALog) {
    Write("db.json", kEveryTypeDatabase);
    Write("mods/a.vxmod", "add_node car default a\n");
    for (const char* arguments : {"run --db db.json", "run --db db.json mods/a.vxmod"}) {
        const Result run = Vxmod(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_THAT(run.err, StartsWith("vxmod: ")) << arguments;
    }
    EXPECT_THAT(Vxmod("run --db db.json").err, HasSubstr("no folder 'AttribMods'"));
    EXPECT_THAT(Vxmod("run --db db.json mods/a.vxmod").err, HasSubstr("is a file, not a folder"));
    EXPECT_FALSE(LogExists());
}

TEST_F(VxmodTest, RunsTheFolderGivenOnTheCommandLine) {
    Write("db.json", kEveryTypeDatabase);
    Write("mods/a.vxmod", "add_node nope default a\n");
    const Result run = Vxmod("run --db db.json mods");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("mods/a.vxmod:1: AddNode.Act => Class 'nope' not found"));
}

TEST_F(VxmodTest, HashListInTheWorkingFolderNamesKeysInMessages) {
    Write("db.json", kEveryTypeDatabase);
    Write("Qzr/VLTHashes.txt", "truck\n");
    // The script names the class by its key only; the list gives its name.
    char line[64];
    std::snprintf(line, sizeof line, "add_node 0x%08x default a\n", HostHash("truck"));
    Write("AttribMods/a.vxmod", line);
    const Result run = Vxmod("run --db db.json");
    EXPECT_THAT(run.err, HasSubstr("AddNode.Act => Class 'truck' not found"));
}

// ---- dumps after every command and every type ------------------------------

TEST_F(VxmodTest, UpdateFieldSetsEveryPlainType) {
    Result run;
    const Json values = ValuesAfter(
        "update_field car default Speed 250.5\n"
        "update_field car default Doors 200\n"
        "update_field car default I8 -5\n"
        "update_field car default U16 65535\n"
        "update_field car default I16 -300\n"
        "update_field car default U32 4000000000\n"
        "update_field car default I32 -123456\n"
        "update_field car default F 2.5\n"
        "update_field car default B True\n"
        "update_field car default T hello\n"
        "update_field car default H32 acme\n"
        "update_field car default Key badge\n",
        &run);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(values["Speed"], 250.5);
    EXPECT_EQ(values["Doors"], 200);
    EXPECT_EQ(values["I8"], -5);
    EXPECT_EQ(values["U16"], 65535);
    EXPECT_EQ(values["I16"], -300);
    EXPECT_EQ(values["U32"], 4000000000u);
    EXPECT_EQ(values["I32"], -123456);
    EXPECT_EQ(values["F"], 2.5);
    EXPECT_EQ(values["B"], true);
    EXPECT_EQ(values["T"], "hello");
    EXPECT_EQ(values["H32"], "acme");
    EXPECT_EQ(values["Key"]["Collision"], "badge");
    EXPECT_EQ(values["Key"]["Visual"], "badge");
}

TEST_F(VxmodTest, UpdateFieldSetsMembersOfStructuredTypes) {
    Result run;
    const Json values = ValuesAfter(
        "update_field car default Ref Collection other\n"
        "update_field car default V2 Y 3.5\n"
        "update_field car default V3 Z -1\n"
        "update_field car default V4 W 0.25\n"
        "update_field car default Axle Rear 1.5\n"
        "update_field car default Part Level 7\n"
        "update_field car default Part Cost 99.5\n"
        "update_field car default Mod ClassKey engine\n"
        "update_field car default Mod Scale 0.5\n"
        "update_field car default Key Visual Shown\n",
        &run);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(values["Ref"], Json({{"Class", "car"}, {"Collection", "other"}}));
    EXPECT_EQ(values["V2"], Json({1, 3.5}));
    EXPECT_EQ(values["V3"], Json({1, 2, -1}));
    EXPECT_EQ(values["V4"], Json({1, 2, 3, 0.25}));
    EXPECT_EQ(values["Axle"], Json({{"Front", 1}, {"Rear", 1.5}}));
    EXPECT_EQ(values["Part"], Json({{"Level", 7}, {"Rep", 1}, {"Cost", 99.5}}));
    EXPECT_EQ(values["Mod"],
              Json({{"ClassKey", "engine"}, {"DefinitionKey", "default"}, {"Scale", 0.5}}));
    EXPECT_EQ(values["Key"]["Visual"], "Shown");
    EXPECT_EQ(values["Key"]["Collision"], "old");
}

TEST_F(VxmodTest, SixtyFourBitHashIsTheTextsFnvHash) {
    const Json values = ValuesAfter("update_field car default H64 abc\n");
    // FNV-1a of "abc" is 0x1A47E90B; the dump may name it or write the digits.
    const std::string text = values["H64"].get<std::string>();
    if (text != "abc") {
        ASSERT_THAT(text, StartsWith("0x"));
        EXPECT_EQ(std::stoull(text.substr(2), nullptr, 16), 0x1A47E90Bu) << text;
    }
}

TEST_F(VxmodTest, ValuesTheLoaderRejectsLeaveTheFieldAsItWas) {
    Result run;
    const Json values = ValuesAfter(
        "update_field car default I32 lots\n"
        "update_field car default M Values 1\n"
        "update_field car default Coll other\n"
        "update_field car default Ref other\n"
        "update_field car default Axle Middle 2\n",
        &run);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(values["I32"], 1);
    EXPECT_EQ(values["M"], Json({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(values["Coll"], "default");
    EXPECT_EQ(values["Ref"], Json({{"Class", "car"}, {"Collection", "default"}}));
    EXPECT_THAT(Lines(run.err),
                AllOf(Contains("AttribMods/edit.vxmod:1: ModifyField.Act => Failed to set value "
                               "of 'car'->'default'.'I32' to 'lots'"),
                      Contains("AttribMods/edit.vxmod:5: ModifyField.Act => Failed to set value "
                               "of 'car'->'default'.'Axle'['Middle'] to '2'")));
}

TEST_F(VxmodTest, ArrayElementsAndResize) {
    Result run;
    const Json values = ValuesAfter(
        "update_field car default Ratios[1] 9\n"
        "update_field car default Ratios 8\n"
        "resize_field car default Ratios 5\n"
        "update_field car default Ratios[4] 0.5\n"
        "update_field car default Ratios[5] 1\n",
        &run);
    EXPECT_EQ(values["Ratios"], Json({8, 9, 3, 0, 0.5}));
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("AttribMods/edit.vxmod:5: ModifyField.Act => Invalid array "
                                   "subscript 'car'->'default'.'Ratios'[5]"));
}

TEST_F(VxmodTest, AddNodeAndCopyNodeCreateChildrenOfTheParent) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/nodes.vxmod",
          "add_node car default roadster\n"
          "copy_node car default ignored gt\n"
          "update_field car roadster Speed 320\n");
    const Result run = Vxmod("run --db db.json --dump after.json");
    EXPECT_EQ(run.status, 0) << run.err;
    const Json collections = ReadDump("after.json")["classes"]["car"]["collections"];
    ASSERT_TRUE(collections.contains("roadster")) << collections.dump(2);
    ASSERT_TRUE(collections.contains("gt"));
    EXPECT_FALSE(collections.contains("ignored"));
    EXPECT_EQ(collections["roadster"]["parent"], "default");
    EXPECT_EQ(collections["gt"]["parent"], "default");
    // The layout block is the new collection's own; the parent keeps its value.
    EXPECT_EQ(collections["roadster"]["values"]["Speed"], 320);
    EXPECT_EQ(collections["default"]["values"]["Speed"], 100);
}

// A collection made again takes the name; the children of the one it
// replaced still inherit from that one, which the dump writes under a name of
// its own, so that the dump read again is the same database.
TEST_F(VxmodTest, ACollectionMadeAgainLeavesItsChildrenTheirParentInTheDump) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/again.vxmod",
          "add_node car default roadster\n"
          "update_field car roadster Speed 320\n"
          "add_node car roadster gt\n"
          "add_node car default roadster\n");
    ASSERT_EQ(Vxmod("run --db db.json --dump after.json").status, 0);
    const Json collections = ReadDump("after.json")["classes"]["car"]["collections"];
    ASSERT_TRUE(collections.contains("(unnamed parent of gt)")) << collections.dump(2);
    EXPECT_EQ(collections["gt"]["parent"], "(unnamed parent of gt)");
    EXPECT_EQ(collections["(unnamed parent of gt)"]["parent"], "default");
    EXPECT_EQ(collections["(unnamed parent of gt)"]["values"]["Speed"], 320);
    EXPECT_EQ(collections["roadster"]["parent"], "default");
    EXPECT_FALSE(collections["roadster"].contains("values"));

    fs::create_directories(work_.Path() / "none");
    ASSERT_EQ(Vxmod("run --db after.json --dump again.json none").status, 0);
    EXPECT_EQ(ReadDump("again.json"), ReadDump("after.json"));
}

TEST_F(VxmodTest, CommandsThatDoNothingLeaveTheDatabaseUnchanged) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/noop.vxmod",
          "delete_node car default\n"
          "add_field car default New 4\n"
          "delete_field car default I32\n"
          "Add_Node car default x\n");
    fs::create_directories(work_.Path() / "none");
    const Result before = Vxmod("run --db db.json --dump before.json none");
    const Result after = Vxmod("run --db db.json --dump after.json");
    EXPECT_EQ(before.status, 0) << before.err;
    EXPECT_EQ(after.status, 1) << after.err;  // for the line the loader skips
    EXPECT_EQ(ReadDump("before.json"), ReadDump("after.json"));
    EXPECT_THAT(LogMessages(), ElementsAre("[info] [AttribMods/noop.vxmod] Script loaded: 0 "
                                           "succesful / 0 failed"));
}

TEST_F(VxmodTest, TwoPassesRunEveryScriptTwiceOnTheEditedDatabase) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/grow.vxmod",
          "resize_field car default Ratios 4\n"
          "update_field car default Ratios[3] 7\n"
          "update_field car default Ratios[4] 1\n");
    const Result run = Vxmod("run --db db.json --passes 2 --dump after.json");
    EXPECT_EQ(run.status, 1);
    const std::string summary =
        "[info] [AttribMods/grow.vxmod] Script loaded with errors: 2 succesful / 1 failed";
    const auto messages = LogMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), summary), 2);
    EXPECT_THAT(run.out, AllOf(HasSubstr("pass 1:"), HasSubstr("pass 2:")));
    // The second resize copies the element the first pass set.
    EXPECT_EQ(
        ReadDump("after.json")["classes"]["car"]["collections"]["default"]["values"]["Ratios"],
        Json({1, 2, 3, 7}));
}

// ---- the command line -------------------------------------------------------

TEST_F(VxmodTest, WithoutDbTheBuiltInExampleDatabaseIsUsed) {
    Write("AttribMods/a.vxmod", "update_field car default TopSpeed 201\n");
    const Result run = Vxmod("run --dump after.json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        ReadDump("after.json")["classes"]["car"]["collections"]["default"]["values"]["TopSpeed"],
        201);
}

TEST_F(VxmodTest, HelpVersionAndCheckWriteNoLog) {
    Write("AttribMods/a.vxmod", "add_node car default a\n");
    for (const char* arguments : {"--help", "run --help", "check --help", "diff --help",
                                  "help diff", "check", "--version"}) {
        const Result result = Vxmod(arguments);
        EXPECT_EQ(result.status, 0) << arguments << "\n" << result.err;
        EXPECT_FALSE(result.out.empty()) << arguments;
    }
    EXPECT_FALSE(LogExists());
    EXPECT_THAT(Vxmod("run --help").out, HasSubstr("--passes N"));
    EXPECT_THAT(Vxmod("--version").out, StartsWith("vxmod "));
}

TEST_F(VxmodTest, UsageErrorsExitWithTwoAndWriteNoLog) {
    for (const char* arguments :
         {"", "frobnicate", "--frob", "run --passes 0", "run --passes two", "run --passes",
          "run --db", "run one two", "run --colour", "check one two", "help nothing",
          "check --conflicts", "diff one.json", "diff a b c", "run --passes 1001"}) {
        const Result result = Vxmod(arguments);
        EXPECT_EQ(result.status, 2) << "'" << arguments << "'";
        EXPECT_THAT(result.err, StartsWith("vxmod: ")) << arguments;
    }
    EXPECT_FALSE(LogExists());
    // An error names the option it is about.
    EXPECT_THAT(Vxmod("run --passes two").err,
                StartsWith("vxmod: --passes: wants a whole number from 1 to 1000, not 'two'"));
    EXPECT_THAT(Vxmod("run --db").err, StartsWith("vxmod: --db"));
}

// ---- database files it cannot use -------------------------------------------

TEST_F(VxmodTest, DatabaseFilesThatCannotBeUsedAreExplainedOnceInItsOwnWords) {
    Write("broken.json", "{ \"classes\": { ");
    Write("bad.json", R"({ "classes": { "car": { "fields": { "Grip": { "type": 5 } } } } })");
    Write(
        "typo.json",
        R"({ "classes": { "car": { "fields": { "Grip": { "type": "KQ::Reflection::Flaot" } } } } })");
    fs::create_directories(work_.Path() / "folder.json");
    Write("before.json", kEveryTypeDatabase);
    Write("AttribMods/a.vxmod", "");
    struct Case {
        const char* file;
        const char* says;
    };
    for (const Case& c : {
             Case{"nowhere.json", "vxmod: cannot read nowhere.json: no such file\n"},
             Case{"folder.json", "vxmod: cannot read folder.json: it is a folder\n"},
             Case{"broken.json", "vxmod: broken.json is not valid JSON: line 1, column 16: "},
             Case{"bad.json",
                  "vxmod: cannot use 'bad.json': at /classes/car/fields/Grip/type: expected the "
                  "name of the field's type\n"},
             Case{"typo.json",
                  "vxmod: cannot use 'typo.json': at /classes/car/fields/Grip/type: unknown type "
                  "\"KQ::Reflection::Flaot\"; did you mean \"KQ::Reflection::Float\"?\n"},
         }) {
        for (const std::string command : {"run --db ", "check --db ", "diff before.json "}) {
            const Result result = Vxmod(command + c.file);
            EXPECT_EQ(result.status, 2) << command << c.file;
            EXPECT_THAT(result.err, StartsWith(c.says)) << command;
            EXPECT_THAT(result.err, Not(HasSubstr("json.exception")));
        }
    }
    EXPECT_FALSE(LogExists());
}

// ---- check -------------------------------------------------------------------

TEST_F(VxmodTest, CheckReportsWhatTheLoaderIgnoresOrRejects) {
    Write("AttribMods/a.vxmod",
          "# fine\n"
          "add_node car default x\n"
          "Add_Node car default y\n"
          "update_field car default\n"
          "update_field car default Gears[x] 1\n"
          "add_node 0xZZ default z\n"
          "teleport car\n");
    const Result check = Vxmod("check");
    EXPECT_EQ(check.status, 1);
    const auto lines = Lines(check.out);
    EXPECT_THAT(lines, Contains("AttribMods/a.vxmod:3: unknown command 'Add_Node'; did you mean "
                                "'add_node'?"));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/a.vxmod:4: update_field: needs 4 arguments "
                                           "but has 2")));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/a.vxmod:5: update_field: subscript")));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/a.vxmod:6: add_node: name '0xZZ'")));
    EXPECT_THAT(lines, Contains("AttribMods/a.vxmod:7: unknown command 'teleport'"));
    EXPECT_THAT(lines, Not(Contains(StartsWith("AttribMods/a.vxmod:1:"))));
    EXPECT_THAT(lines, Not(Contains(StartsWith("AttribMods/a.vxmod:2:"))));
    EXPECT_FALSE(LogExists());
}

TEST_F(VxmodTest, CheckListsLookalikesAndDisabledFilesWithoutFailing) {
    Write("AttribMods/tune.VXMOD", "add_node car default x\n");
    Write("AttribMods/tune.vxmod.txt", "add_node car default x\n");
    Write("AttribMods/!old.vxmod", "garbage line\n");
    Write("AttribMods/notes.txt", "not a script\n");
    Write("AttribMods/ok.vxmod", "add_node car default x\n");
    const Result check = Vxmod("check");
    EXPECT_EQ(check.status, 0) << check.out;
    const auto lines = Lines(check.out);
    EXPECT_THAT(lines, Contains(AllOf(StartsWith("AttribMods/tune.VXMOD: warning: not run:"),
                                      HasSubstr("exactly '.vxmod'"))));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/tune.vxmod.txt: warning: not run:")));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/!old.vxmod: note: disabled")));
    EXPECT_THAT(check.out, Not(HasSubstr("notes.txt")));
    EXPECT_THAT(check.out, Not(HasSubstr("garbage")));
}

TEST_F(VxmodTest, CheckWarnsAboutArgumentsTheLoaderMisreads) {
    // Saved with a byte-order mark, which the loader reads past.
    Write("AttribMods/a.vxmod",
          "\xEF\xBB\xBF"
          "resize_field car default Gears many\n"
          "add_node car default x extra\n"
          "update_field car default Name \"two words\"\n"
          "delete_node car default\n"
          "resize_field car default Gears -2\n");
    const Result check = Vxmod("check");
    EXPECT_EQ(check.status, 1);  // the count "many" resizes to 0
    const auto lines = Lines(check.out);
    EXPECT_THAT(lines, Contains(AllOf(StartsWith("AttribMods/a.vxmod:1: resize_field: count "
                                                 "'many' is not a number"))));
    EXPECT_THAT(
        lines, Contains(AllOf(StartsWith("AttribMods/a.vxmod:2: warning:"), HasSubstr("'extra'"))));
    EXPECT_THAT(lines,
                Contains(AllOf(StartsWith("AttribMods/a.vxmod:3: warning:"), HasSubstr("quotes"))));
    EXPECT_THAT(lines, Contains(StartsWith("AttribMods/a.vxmod:4: note:")));
    EXPECT_THAT(lines, Contains("AttribMods/a.vxmod:5: resize_field: count '-2' is negative; a "
                                "count is a whole number from 0 to 65535"));
}

TEST_F(VxmodTest, CheckOfACleanFolderExitsZero) {
    Write("AttribMods/ok.vxmod", "add_node car default x # a comment\n");
    const Result check = Vxmod("check");
    EXPECT_EQ(check.status, 0);
    EXPECT_THAT(check.out, HasSubstr("1 script checked: 0 errors, 0 warnings"));
}

// ---- what a modder trips over on a first afternoon ----------------------------------

// Each mistake a new modder makes, with what vxmod tells of it (run and check
// alike: standard output and error together) and the exit status. Against
// the example database unless the command names database.json, its copy.
TEST_F(VxmodTest, FirstAfternoonMistakesAreToldWithTheirPlace) {
    using File = std::pair<std::string, std::string>;
    struct Row {
        const char* item;
        std::vector<File> files;
        std::string command;
        std::string says;
        int status;
    };
    const auto script = [](std::string text) {
        return std::vector<File>{{"AttribMods/t.vxmod", std::move(text)}};
    };
    std::string inherited = "add_node car default tuned\n";
    for (int i = 0; i < 100; ++i) {
        inherited += "update_field car tuned Price " + std::to_string(i) + "\n";
    }
    // Twenty values that a later script sets differently.
    std::string first = "resize_field car default GearRatios 20\n";
    std::string later;
    for (int i = 0; i < 20; ++i) {
        first += "update_field car default GearRatios[" + std::to_string(i) + "] 1\n";
        later += "update_field car default GearRatios[" + std::to_string(i) + "] 2\n";
    }
    const std::vector<Row> rows = {
        {"1 skipped lines",
         script("Update_Field car default Mass 1\nupdate_feild car default "
                "Mass 1\nupdate-field car default Mass 1\n"),
         "run",
         "AttribMods/t.vxmod:2: unknown command 'update_feild'; did you mean 'update_field'?", 1},
        {"1 skipped lines", script("update-field car default Mass 1\n"), "run",
         "1 script: 0 lines succeeded, 0 failed, 1 skipped", 1},
        {"2 which database", script("update_field pvehicle default TopSpeed 1\n"), "run",
         "AttribMods/t.vxmod:1: note: there is no class 'pvehicle' in the example database, which "
         "vxmod runs against when no --db FILE is given",
         1},
        {"3 copy_node", script("copy_node car default coupe coupe2\n"), "run",
         "AttribMods/t.vxmod:1: warning: copy_node copies nothing: 'coupe' is read and not used",
         0},
        {"4 member as value", script("update_field car default Badge Visual\n"), "run",
         "AttribMods/t.vxmod:1: warning: 'Visual' is a member of 'Badge' (Attrib::StringKey), and "
         "with five words it is read as the value",
         0},
        {"4 member as value", script("update_field car default TireSize X\n"), "run",
         "AttribMods/t.vxmod:1: note: 'TireSize' (Attrib::Types::Vector2) is set one member at a "
         "time, and 'X' is one of its members: the value after it looks missing",
         1},
        {"5 reference", script("update_field car default Engine Class truck\n"),
         "check --db database.json",
         "AttribMods/t.vxmod:1: warning: 'Class' of 'Engine' names 'truck', but there is no class "
         "'truck'",
         0},
        {"5 reference", script("update_field car default Engine Collection v12\n"),
         "check --db database.json",
         "AttribMods/t.vxmod:1: warning: 'Collection' of 'Engine' names 'v12', but class 'engine' "
         "has no collection 'v12'",
         0},
        {"5 reference", script("update_field car default Engine Collection V8\n"),
         "check --db database.json",
         "has no collection 'V8' when every script has run; did you mean 'v8'?", 0},
        {"5 reference", script("update_field car default Upgrade DefinitionKey v10\n"),
         "check --db database.json",
         "AttribMods/t.vxmod:1: warning: 'DefinitionKey' of 'Upgrade' names 'v10', but class "
         "'engine' has no collection 'v10'",
         0},
        {"5 reference made later",
         {{"AttribMods/a.vxmod",
           "update_field car default Engine "
           "Collection v12\n"},
          {"AttribMods/b.vxmod", "add_node engine v8 v12\n"}},
         "check --db database.json",
         "2 scripts checked: 0 errors, 0 warnings",
         0},
        {"6 no-break space", script("update_field car default\xC2\xA0TopSpeed 250\n"), "run",
         "AttribMods/t.vxmod:1: warning: 'default<U+00A0>TopSpeed' holds a no-break space "
         "(U+00A0): it looks like a blank",
         1},
        {"6 zero-width space", script("\xE2\x80\x8Bupdate_field car default Mass 1\n"), "run",
         "AttribMods/t.vxmod:1: unknown command '<U+200B>update_field': the word holds a "
         "zero-width space (U+200B), which does not show; without it the word is 'update_field'",
         1},
        {"7 subscript", script("update_field car default GearRatios[1.5] 9\n"), "run",
         "AttribMods/t.vxmod:1: warning: update_field: the subscript of 'GearRatios[1.5]' is read "
         "as [1]",
         0},
        {"7 subscript", script("update_field car default GearRatios[3]x 9\n"), "run",
         "AttribMods/t.vxmod:1: warning: update_field: 'x' after the subscript of "
         "'GearRatios[3]x' is ignored: the line sets element [3]",
         0},
        {"8 stored value",
         {{"AttribMods/a.vxmod", "update_field car default Redline 7000\n"},
          {"AttribMods/b.vxmod", "update_field car default Redline -1\n"}},
         "run",
         "AttribMods/b.vxmod:1: warning: 'car'->'default'.'Redline' is also set by "
         "AttribMods/a.vxmod:1 (7000); this line runs later, so 65535 (written -1) is what the "
         "game keeps",
         0},
        {"8 stored value",
         {{"AttribMods/a.vxmod", "update_field car default Doors 2\n"},
          {"AttribMods/b.vxmod", "update_field car default Doors 1e3\n"}},
         "run",
         "so 1 (written 1e3) is what the game keeps",
         0},
        {"8 same value",
         {{"AttribMods/a.vxmod", "update_field car default Seats 3\n"},
          {"AttribMods/b.vxmod", "update_field car default Seats 3\n"},
          {"AttribMods/c.vxmod", "update_field car default Seats +3\n"}},
         "run --conflicts",
         "No value is set differently by more than one script.",
         0},
        {"9 one kind", script(inherited), "run",
         "AttribMods/t.vxmod: note: 90 more warnings like the one on line 2 are not shown (lines "
         "12 to 101; --all shows every one)",
         0},
        {"9 many conflicts",
         {{"AttribMods/a.vxmod", first}, {"AttribMods/b.vxmod", later}},
         "run",
         "AttribMods/b.vxmod:10: warning: 'car'->'default'.'GearRatios'[9] is also set by "
         "AttribMods/a.vxmod:11 (1); this line runs later, so 2 is what the game keeps\n"
         "AttribMods/b.vxmod:10: note: scripts run in the order of their paths: 'a.vxmod' before "
         "'b.vxmod'; to keep the value of another, rename that script or its folder so that its "
         "path comes later (compared folder by folder, ignoring case)\n"
         "AttribMods/b.vxmod: note: 10 more warnings like the one on line 1 are not shown (lines "
         "11 to 20; --all shows every one)\n20 conflicts between scripts",
         0},
        {"9 quiet", script(inherited), "run --quiet",
         "1 script: 101 lines succeeded, 0 failed\n100 warnings not shown", 0},
        {"10 one script", script("update_feild car default Mass 1\n"), "check AttribMods/t.vxmod",
         "AttribMods/t.vxmod:1: unknown command 'update_feild'", 1},
        {"10 no folder", {}, "check", "vxmod: there is no folder or script 'AttribMods'", 2},
        {"10 no folder", {}, "run", "vxmod: there is no folder 'AttribMods'", 2},
        {"11 half a name", script("update_field car default Gears[0] 1\n"), "run",
         "AttribMods/t.vxmod:1: note: neither 'default' nor a parent of it holds a field 'Gears'; "
         "did you mean 'GearRatios'?",
         1},
        {"11 half a name", script("update_field car default Speed 1\n"), "run",
         "holds a field 'Speed'; did you mean 'TopSpeed'?", 1},
        {"11 half a name", script("update_field car default Colour X 1\n"), "run",
         "holds a field 'Colour'; did you mean 'PaintColour'?", 1},
        {"11 half a name", script("resize car default GearRatios 6\n"), "run",
         "AttribMods/t.vxmod:1: unknown command 'resize'; did you mean 'resize_field'?", 1},
        {"11 vxmod's own", {}, "chek", "vxmod: unknown command 'chek'; did you mean 'check'?", 2},
        {"11 vxmod's own",
         {},
         "run --dbb x.json",
         "vxmod: unknown option '--dbb' for 'vxmod run'; did you mean '--db'?",
         2},
        {"12 layout copy",
         {{"AttribMods/a.vxmod", "add_node car default estate\n"},
          {"AttribMods/b.vxmod", "update_field car default TopSpeed 230\n"}},
         "run",
         "AttribMods/b.vxmod:1: warning: 'car'->'estate' keeps the 'TopSpeed' it copied "
         "from 'default' when AttribMods/a.vxmod:1 made it",
         0},
        {"12 own value",
         {{"AttribMods/a.vxmod",
           "add_node car default estate\nupdate_field car "
           "estate TopSpeed 180\n"},
          {"AttribMods/b.vxmod", "update_field car default TopSpeed 230\n"}},
         "check --db database.json",
         "2 scripts checked: 0 errors, 0 warnings",
         0},
        {"13 extension",
         {{"AttribMods/tune.vmod", "update_field car default Mass 1\n"}},
         "check",
         "AttribMods/tune.vmod: warning: not run: the extension is '.vmod', not '.vxmod'",
         0},
        {"13 backups",
         {{"AttribMods/t.vxmod", ""}, {"AttribMods/t.vxmod.bak", ""}, {"AttribMods/t.vxmod~", ""}},
         "check",
         "1 script checked: 0 errors, 0 warnings",
         0},
    };
    for (const Row& row : rows) {
        const Result result = VxmodInFreshFolder(row.files, row.command);
        EXPECT_THAT(result.out, HasSubstr(row.says)) << "item " << row.item << ":\n" << result.out;
        EXPECT_EQ(result.status, row.status) << "item " << row.item << ":\n" << result.out;
    }
}

// A modder's second afternoon: a new model, two mods that meet, a line
// read otherwise than meant. Each question is answered where it arises.
TEST_F(VxmodTest, SecondAfternoonQuestionsAreAnsweredWhereTheyArise) {
    using File = std::pair<std::string, std::string>;
    struct Row {
        const char* item;
        std::vector<File> files;
        std::string command;
        std::string says;
        int status;
        std::string doesNotSay = {};
    };
    const auto script = [](std::string text) {
        return std::vector<File>{{"AttribMods/t.vxmod", std::move(text)}};
    };
    const std::string roadster =
        "add_node car coupe roadster\nupdate_field car roadster DisplayName Roadster\n";
    const std::string mayNotHold =
        "AttribMods/t.vxmod:2: warning: 'roadster' does not hold 'DisplayName' itself: this "
        "changes it in 'coupe', for every collection that inherits it from there. No line can "
        "give 'roadster' a 'DisplayName' of its own: it is not in the class layout of 'car', "
        "whose fields every collection holds, and other fields are held only where the game made "
        "an entry for them (vxmod show ";
    const std::vector<Row> rows = {
        {"1 own value", script(roadster), "run", mayNotHold + "car roadster lists what", 0},
        {"1 own value", script(roadster), "check --db database.json",
         mayNotHold + "--db database.json car roadster lists what 'roadster' holds)", 0},
        {"1 show", script(roadster), "show car roadster",
         "as the scripts below AttribMods leave it: 1 script, 2 lines succeeded, 0 failed.\n"
         "'car'->'roadster', a child of 'coupe', reaches 24 fields and holds 3 of them itself:",
         0},
        {"1 show", script(roadster), "show car roadster",
         "DisplayName    KQ::Reflection::Text           'coupe', an own entry    inherits it from "
         "'coupe'    \"Roadster\"\n",
         0},
        {"1 show", script(roadster), "show --db database.json car coupe",
         "'database.json', as the scripts below AttribMods leave it", 0},
        {"1 show", script(roadster), "show car roadstr",
         "vxmod: class 'car' has no collection 'roadstr'; did you mean 'roadster'?", 1},
        {"1 show", script(roadster), "show --no-scripts car roadster",
         "vxmod: class 'car' has no collection 'roadster'", 1},
        {"1 show",
         {},
         "show car coupe",
         "; there is no folder 'AttribMods', so no script ran.\n'car'->'coupe'",
         0},
        {"1 show", {}, "show --db nothing.json car coupe", "vxmod: cannot read nothing.json", 2},
        {"1 show", {}, "show car", "COLLECTION is required", 2},
        {"4 copy_node", script("copy_node car coupe roadster\n"), "run",
         "AttribMods/t.vxmod:1: copy_node: needs 4 arguments but has 3; usage: copy_node <class> "
         "<parent> <ignored> <new collection>; to make 'roadster' a child of 'coupe', write "
         "add_node car coupe roadster\n",
         1},
        {"4 copy_node", script("copy_node car coupe\n"), "check",
         "copy_node: needs 4 arguments but has 2; usage: copy_node <class> <parent> <ignored> "
         "<new collection>\n",
         1},
        {"4 no comment meant", script("update_field car default Grip Rear 1.3 fast\n"), "check",
         "update_field: reads 5 arguments; the rest is ignored: 'fast'\n", 0, "start a comment"},
        {"4 comment meant", script("update_field car default Grip Rear 1.3 //fast\n"), "check",
         "the rest is ignored: '//fast' (start a comment with ' #')", 0},
        {"4 comment meant", script("update_field car default Grip Rear 1.3#fast or so\n"), "check",
         "the rest is ignored: 'or' 'so' (start a comment with ' #')", 0},
        {"5 order",
         {{"AttribMods/a-rival.vxmod", "update_field car default Price 1\n"},
          {"AttribMods/mine/coupe.vxmod", "update_field car default Price 2\n"}},
         "run",
         "AttribMods/mine/coupe.vxmod:1: note: scripts run in the order of their paths: "
         "'a-rival.vxmod' before 'mine/coupe.vxmod'; to keep the value of another, rename that "
         "script or its folder so that its path comes later (compared folder by folder, ignoring "
         "case)",
         0},
        {"5 order in one folder",
         {{"AttribMods/cars/B.vxmod", "update_field car default Price 1\n"},
          {"AttribMods/cars/c.vxmod", "update_field car default Price 2\n"}},
         "check --db database.json",
         "note: scripts run in the order of their paths: 'B.vxmod' before 'c.vxmod';",
         0},
    };
    for (const Row& row : rows) {
        const Result result = VxmodInFreshFolder(row.files, row.command);
        EXPECT_THAT(result.out, HasSubstr(row.says)) << "item " << row.item << ":\n" << result.out;
        if (!row.doesNotSay.empty()) {
            EXPECT_THAT(result.out, Not(HasSubstr(row.doesNotSay))) << "item " << row.item;
        }
        EXPECT_EQ(result.status, row.status) << "item " << row.item << ":\n" << result.out;
    }
}

// ---- what vxmod adds for modders --------------------------------------------------

TEST_F(VxmodTest, TextsThatAreNotUtf8SurviveTheDumpAndItsReload) {
    Write("db.json", kEveryTypeDatabase);
    // A script saved in Windows-1252: "Café" ends in the one byte E9.
    Write("AttribMods/cafe.vxmod",
          "update_field car default T Caf\xE9\n"
          "update_field car default H32 Caf\xE9\n"
          "update_field car default H64 Caf\xE9\n"
          "update_field car default Key Visual Caf\xE9\n"
          "add_node car default Caf\xE9\n");
    // The dump takes the place of the description it was made from.
    const Result run = Vxmod("run --db db.json --dump db.json");
    ASSERT_EQ(run.status, 0) << run.err;
    const Json dump = ReadDump("db.json");
    const Json& values = dump["classes"]["car"]["collections"]["default"]["values"];
    const Json bytes = {{"bytes", "436166e9"}};
    EXPECT_EQ(values["T"], bytes);
    EXPECT_EQ(values["Key"]["Visual"], bytes);
    char key[11];
    std::snprintf(key, sizeof key, "0x%08X", HostHash("Caf\xE9"));
    EXPECT_EQ(values["H32"], key);
    EXPECT_TRUE(dump["classes"]["car"]["collections"].contains(key));

    // Read back, the dump gives itself again, byte for byte.
    fs::create_directories(work_.Path() / "none");
    ASSERT_EQ(Vxmod("run --db db.json --dump again.json none").status, 0);
    EXPECT_EQ(ReadFile(work_.Path() / "again.json"), ReadFile(work_.Path() / "db.json"));

    // A dump that cannot be written leaves what was there.
    const Result refused = Vxmod("run --db db.json --dump none");
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("cannot write the dump file 'none': it is a folder"));
    EXPECT_TRUE(fs::is_directory(work_.Path() / "none"));
}

TEST_F(VxmodTest, ScriptsRunInTheGamesOrderAndConflictsNameTheValueThatWins) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/_z.vxmod", "update_field car default I32 4\n");
    Write("AttribMods/b.vxmod", "update_field car default I32 3\nadd_node car default gt\n");
    Write("AttribMods/A.vxmod", "update_field car default I32 2\nadd_node car default gt\n");
    Write("AttribMods/a-sub/x.vxmod", "update_field car default I32 1\n");
    const Result run = Vxmod("run --db db.json --conflicts");
    EXPECT_EQ(run.status, 0) << run.err;
    // As NTFS lists them: by upper-cased name, so '-' before '.' and '_' after letters.
    EXPECT_THAT(
        LogMessages(),
        ElementsAre(HasSubstr("[AttribMods/a-sub/x.vxmod]"), HasSubstr("[AttribMods/A.vxmod]"),
                    HasSubstr("[AttribMods/b.vxmod]"), HasSubstr("[AttribMods/_z.vxmod]")));
    EXPECT_THAT(Lines(run.err),
                ElementsAre("AttribMods/b.vxmod:2: warning: 'car'->'gt' was made by "
                            "AttribMods/A.vxmod:2 already: the new collection takes its place, "
                            "and the values that the old one held itself are lost to lookups",
                            "AttribMods/_z.vxmod:1: warning: 'car'->'default'.'I32' is also set "
                            "by AttribMods/a-sub/x.vxmod:1 (1), AttribMods/A.vxmod:1 (2), "
                            "AttribMods/b.vxmod:1 (3); this line runs later, so 4 is what the "
                            "game keeps",
                            "AttribMods/_z.vxmod:1: note: scripts run in the order of their paths: "
                            "'a-sub/x.vxmod' before 'A.vxmod' before 'b.vxmod' before '_z.vxmod'; "
                            "to keep the value of another, rename that script or its folder so "
                            "that its path comes later (compared folder by folder, ignoring "
                            "case)"));
    EXPECT_THAT(run.out, HasSubstr("  'car'->'default'.'I32'\n"
                                   "    AttribMods/a-sub/x.vxmod:1  1\n"
                                   "    AttribMods/A.vxmod:1  2\n"
                                   "    AttribMods/b.vxmod:1  3\n"
                                   "    AttribMods/_z.vxmod:1  4  (wins)\n"));
}

TEST_F(VxmodTest, CheckWithADatabaseAndRunExplainEveryLineAlike) {
    struct Case {
        std::string line;
        std::string check;  // what check --db says, after "PATH:LINE: "
        std::string run;    // what run adds after the loader's message, if anything
    };
    const std::vector<Case> cases = {
        {"update_field car default I32 1,200",
         "warning: '1,200' is read as 1: 'I32' (KQ::Reflection::Int32) takes a whole number from "
         "-2147483648 to 2147483647 and stops at ','",
         ""},
        {"update_field car default I32 1.5e3", "warning: '1.5e3' is read as 1: ", ""},
        {"update_field car default U32 -5",
         "warning: '-5' is stored as 4294967291: 'U32' (KQ::Reflection::UInt32) holds no "
         "negative numbers",
         ""},
        {"update_field car default B true",
         "warning: 'true' is stored as false: only the exact word True is true", ""},
        {"update_field car default T ''",
         "warning: '' is stored as the two characters ''; the empty text is written \"\"", ""},
        {"update_field car default Speed[2] 1",
         "warning: 'Speed' is not an array: the subscript in 'Speed[2]' is ignored", ""},
        {"update_field car default Ratios[7] 1",
         "'car'->'default'.'Ratios' has 3 elements (0 to 2): there is no element [7]; "
         "resize_field it first",
         "note: "},
        {"update_field cra default I32 1", "there is no class 'cra'; did you mean 'car'?",
         "note: "},
        {"update_field car defualt I32 1",
         "class 'car' has no collection 'defualt'; did you mean 'default'?", "note: "},
        {"update_field car default i32 1",
         "neither 'default' nor a parent of it holds a field 'i32'; did you mean 'I32'?", "note: "},
        {"update_field car default Axle 1.5",
         "'Axle' (AxlePair) is set one member at a time: Front, Rear (for example update_field "
         "car default Axle Front 1.5)",
         "note: "},
        {"update_field car default Axle Raer 1",
         "'Axle' (AxlePair) has no member 'Raer'; its members are Front, Rear; did you mean "
         "'Rear'?",
         "note: "},
        {"update_field car default Ref Collection 0xZZ",
         "update_field: name '0xZZ' is not a hexadecimal number after '0x' (the value for "
         "'Collection' of 'Ref')",
         "note: "},
        {"update_field car default T \"two words\"",
         "'T' (KQ::Reflection::Text) has no members: with six words the fourth ('\"two') is "
         "read as a member name and the fifth ('words\"') as the value; quotes do not group "
         "words",
         "note: "},
        {"update_field car default M Values 1",
         "'M' (Attrib::Types::Matrix) cannot be set from a script", "note: "},
        {"update_field car default Doors 300",
         "'300' is out of range: 'Doors' (KQ::Reflection::UInt8) takes a whole number from 0 to "
         "255",
         "note: "},
        {"add_node car default tuned", "", ""},
        {"update_field car tuned I32 5",
         "warning: 'tuned' does not hold 'I32' itself: this changes it in 'default', for every "
         "collection that inherits it from there",
         ""},
        {"resize_field car tuned Ratios 5",
         "'tuned' inherits 'Ratios' from 'default': resize it there (resize_field car default "
         "Ratios 5), which changes it for every collection that inherits it",
         "note: "},
        {"resize_field car default Ratios 2x", "warning: count '2x' is read as 2", ""},
    };
    Write("db.json", kEveryTypeDatabase);
    std::string script;
    for (const Case& c : cases) {
        script += c.line + "\n";
    }
    Write("AttribMods/edit.vxmod", script);

    const Result check = Vxmod("check --db db.json");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(run.status, 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string at = "AttribMods/edit.vxmod:" + std::to_string(i + 1) + ": ";
        if (c.check.empty()) {
            EXPECT_THAT(check.out, Not(HasSubstr(at))) << c.line;
            continue;
        }
        EXPECT_THAT(Lines(check.out), Contains(StartsWith(at + c.check))) << c.line;
        // run: warnings alike; a failure is the loader's message, then the note.
        const std::string said = c.run.empty() ? c.check : c.run + c.check;
        EXPECT_THAT(Lines(run.err), Contains(StartsWith(at + said))) << c.line;
    }
    // The description is read, never written.
    EXPECT_EQ(ReadFile(work_.Path() / "db.json"), kEveryTypeDatabase);
}

// Plain numbers in range are taken without trying them; everything else is
// tried as the loader reads it. The edges of both.
TEST_F(VxmodTest, NumbersAtTheEdgesOfTheirRangesAreReadAsTheLoaderReadsThem) {
    struct Case {
        std::string field;
        std::string value;
        std::string finding;  // after "PATH:LINE: "; empty: none
    };
    const std::string whole = ") takes a whole number from ";
    const std::vector<Case> cases = {
        {"Doors", "255", ""},
        {"Doors", "256",
         "'256' is out of range: 'Doors' (KQ::Reflection::UInt8" + whole + "0 to 255"},
        {"Doors", "0255", ""},
        {"Doors", "-0", ""},
        {"I8", "-128", ""},
        {"I8", "-129",
         "'-129' is out of range: 'I8' (KQ::Reflection::Int8" + whole + "-128 to 127"},
        {"U16", "65536",
         "'65536' is out of range: 'U16' (KQ::Reflection::UInt16" + whole + "0 to 65535"},
        {"I16", "-32769",
         "'-32769' is out of range: 'I16' (KQ::Reflection::Int16" + whole + "-32768 to 32767"},
        {"U32", "999999999", ""},
        {"U32", "4294967295", ""},
        {"U32", "4294967296",
         "'4294967296' is out of range: 'U32' (KQ::Reflection::UInt32" + whole + "0 to 4294967295"},
        {"U32", "-1",
         "warning: '-1' is stored as 4294967295: 'U32' (KQ::Reflection::UInt32) holds no "
         "negative numbers"},
        {"I32", "-2147483648", ""},
        {"I32", "2147483648",
         "'2147483648' is out of range: 'I32' (KQ::Reflection::Int32" + whole +
             "-2147483648 to 2147483647"},
        {"F", "1.", ""},
        {"F", ".5", ""},
        {"F", "+5", ""},
        {"F", "1e3", ""},
        {"F", "123456789012345678901234567890", ""},
        {"F", "0.000000000000000000000000000001", ""},
        {"F", "1000000000000000000000000000000000000000",
         "'1000000000000000000000000000000000000000' is not a number: 'F' "
         "(KQ::Reflection::Float) takes a decimal number"},
        {"F", "1.5x",
         "warning: '1.5x' is read as 1.5: 'F' (KQ::Reflection::Float) takes a decimal number "
         "and stops at 'x'"},
    };
    Write("db.json", kEveryTypeDatabase);
    std::string script;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        script += "update_field car default " + cases[i].field + " " + cases[i].value + "\n";
        if (!cases[i].finding.empty()) {
            expected.push_back("AttribMods/edit.vxmod:" + std::to_string(i + 1) + ": " +
                               cases[i].finding);
        }
    }
    Write("AttribMods/edit.vxmod", script);
    std::vector<std::string> found = Lines(Vxmod("check --db db.json").out);
    ASSERT_FALSE(found.empty());
    found.pop_back();  // the count
    EXPECT_EQ(found, expected);
}

// The names offered for a misspelt collection include those that lines made
// after the last time one was misspelt, and one that a later script names.
TEST_F(VxmodTest, MisspeltCollectionsAreMatchedAgainstThoseThatLinesMadeSince) {
    std::string first;
    for (int i = 1; i <= 12; ++i) {
        first += "add_node car default track_" + std::string(i < 10 ? "0" : "") +
                 std::to_string(i) + "\n";
    }
    first += "update_field car trak_05 I32 1\n";   // 13
    first += "add_node car default drift_01\n";    // 14
    first += "update_field car drfit_01 I32 1\n";  // 15
    first += "update_field car TRACK_01 I32 1\n";  // 16
    first += "update_field car zzzzzz I32 1\n";    // 17
    char hexName[64];
    std::snprintf(hexName, sizeof hexName, "add_node car default 0x%08X\n", HostHash("secret"));
    first += hexName;                            // 18
    first += "update_field car nosuch I32 1\n";  // 19
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/a.vxmod", first);
    Write("AttribMods/b.vxmod", "update_field car secret I32 3\nupdate_field car secre I32 4\n");
    const std::string missing = ": class 'car' has no collection ";
    EXPECT_THAT(
        Lines(Vxmod("check --db db.json").out),
        ElementsAre("AttribMods/a.vxmod:13" + missing + "'trak_05'; did you mean 'track_05'?",
                    "AttribMods/a.vxmod:15" + missing + "'drfit_01'; did you mean 'drift_01'?",
                    "AttribMods/a.vxmod:16" + missing + "'TRACK_01'; did you mean 'track_01'?",
                    "AttribMods/a.vxmod:17" + missing + "'zzzzzz'",
                    "AttribMods/a.vxmod:19" + missing + "'nosuch'",
                    StartsWith("AttribMods/b.vxmod:1: warning: 'secret' does not hold"),
                    "AttribMods/b.vxmod:2" + missing + "'secre'; did you mean 'secret'?",
                    "2 scripts checked: 6 errors, 1 warning"));
}

// A script with a finding on thousands of lines (--all: every one), in line order,
// after the warning box that its failed lines bring.
TEST_F(VxmodTest, ManyFindingsOfOneScriptComeAfterItsBoxInLineOrder) {
    constexpr int kInherited = 4000;
    std::string script = "add_node car default tuned\n";
    for (int i = 0; i < kInherited; ++i) {
        script += "update_field car tuned I32 " + std::to_string(i) + "\n";
        if (i == kInherited / 2) {
            script += "update_field car nosuch I32 1\n";
        }
    }
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/long.vxmod", script);
    const std::vector<std::string> err = Lines(Vxmod("run --db db.json --all").err);
    const std::vector<std::string> box = {"[Vexa Attrib Loader - Tormelin]",
                                          "Script 'AttribMods/long.vxmod' loaded with errors!", "",
                                          "Please check the 'vxmod.log' file for details.", ""};
    ASSERT_EQ(err.size(), box.size() + kInherited + 2);  // and the failed line with its note
    EXPECT_TRUE(std::equal(box.begin(), box.end(), err.begin()));
    int previous = 0;
    for (std::size_t i = box.size(); i < err.size(); ++i) {
        const std::string& finding = err[i];
        const std::size_t colon = finding.find(':', std::string("AttribMods/long.vxmod").size());
        const int line = std::stoi(finding.substr(colon + 1));
        EXPECT_GE(line, previous) << finding;
        previous = line;
    }
    EXPECT_THAT(err.back(), StartsWith("AttribMods/long.vxmod:" + std::to_string(kInherited + 2) +
                                       ": warning: 'tuned' does not hold 'I32' itself"));
}

TEST_F(VxmodTest, CheckAndRunWalkAlikeAndSpotScriptsSavedAsUtf16) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/ok.vxmod", "add_node car default a\n");
    // What Windows editors save as "Unicode": UTF-16 with a byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("add_node car default b\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    Write("AttribMods/unicode.vxmod", utf16);
    std::error_code error;
    fs::create_directory_symlink(work_.Path() / "AttribMods", work_.Path() / "AttribMods/loop",
                                 error);
    const Result check = Vxmod("check");
    const Result run = Vxmod("run --db db.json");
    EXPECT_EQ(check.status, 1);
    EXPECT_THAT(Lines(check.out), Contains(StartsWith("AttribMods/unicode.vxmod: the file is saved "
                                                      "as UTF-16 (\"Unicode\")")));
    EXPECT_THAT(Lines(run.err), Contains(StartsWith("AttribMods/unicode.vxmod: the file is "
                                                    "saved as UTF-16")));
    // A link back to a folder is walked once, by both.
    EXPECT_THAT(check.out, HasSubstr("2 scripts checked"));
    EXPECT_THAT(run.out, HasSubstr("\n2 scripts (1 not run): "));
    // The loader refuses it, as the game's box says.
    EXPECT_THAT(run.err, HasSubstr("Script 'AttribMods/unicode.vxmod' was not run!\n\nNot run: "
                                   "the script is saved as UTF-16"));
    if (!error) {
        EXPECT_THAT(Lines(check.out), Contains(StartsWith("AttribMods/loop: warning: ")));
        EXPECT_THAT(Lines(run.err), Contains(StartsWith("AttribMods/loop: warning: ")));
    }
}

// Mod folders are often named like "[HD] Pack": what vxmod says of the lines
// and the walk there names the path whole, once.
TEST_F(VxmodTest, PathsWithBracketsAreReportedOnceAndWhole) {
    Write("db.json", kEveryTypeDatabase);
    Write("AttribMods/[HD] Pack/x.vxmod", "update_field car default Nope 1\n");
    std::error_code error;
    fs::create_directory_symlink(work_.Path() / "AttribMods/[HD] Pack",
                                 work_.Path() / "AttribMods/[HD] Pack/loop", error);
    const auto findings = [](const std::string& output) {
        std::vector<std::string> found;
        for (const std::string& line : Lines(output)) {
            if (line.starts_with("AttribMods/")) {
                found.push_back(line);
            }
        }
        return found;
    };
    const std::string loop =
        "AttribMods/[HD] Pack/loop: warning: Skipped: this folder was already walked (a link "
        "leads back to it)";
    const std::string at = "AttribMods/[HD] Pack/x.vxmod:1: ";
    const std::string missing = "neither 'default' nor a parent of it holds a field 'Nope'";
    std::vector<std::string> run = {
        at + "ModifyField.Act => Field 'car'->'default'.'Nope' not found or invalid",
        at + "note: " + missing};
    std::vector<std::string> check = {at + missing};
    if (!error) {
        run.insert(run.begin(), loop);
        check.insert(check.begin(), loop);
    }
    EXPECT_EQ(findings(Vxmod("run --db db.json").err), run);
    const Result checked = Vxmod("check --db db.json");
    EXPECT_EQ(findings(checked.out), check);
    EXPECT_THAT(checked.out, HasSubstr(error ? "1 script checked: 1 error, 0 warnings"
                                             : "1 script checked: 1 error, 1 warning"));
}

// A name or a 64-bit hash is the key it stands for, whether a dump shows it
// as a name or as "0x...": a change of form is none, and a key shown as
// "0x..." is written by the name the other database gave it.
TEST_F(VxmodTest, DiffComparesNamesAndHashesByTheKeyTheyStandFor) {
    const auto fnv = [](std::string_view text) {
        uint32_t hash = 2166136261u;
        for (const char c : text) {
            hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
        }
        char written[32];
        std::snprintf(written, sizeof written, "0x%016llX", static_cast<unsigned long long>(hash));
        return std::string(written);
    };
    char acme[16];
    std::snprintf(acme, sizeof acme, "0x%08X", HostHash("acme"));
    Json named = Json::parse(kEveryTypeDatabase);
    Json& values = named["classes"]["car"]["collections"]["default"]["values"];
    values["H64"] = "fast";
    values["H32"] = "acme";
    Json keyed = named;
    keyed["classes"]["car"]["collections"]["default"]["values"]["H64"] = fnv("fast");
    keyed["classes"]["car"]["collections"]["default"]["values"]["H32"] = acme;
    Write("named.json", named.dump());
    Write("keyed.json", keyed.dump());
    for (const char* arguments : {"diff named.json keyed.json", "diff keyed.json named.json"}) {
        const Result diff = Vxmod(arguments);
        EXPECT_EQ(diff.status, 0) << arguments << "\n" << diff.err;
        EXPECT_THAT(diff.out, Not(HasSubstr("update_field"))) << arguments;
    }
    // A new hash that only the other database names (as a key's 64-bit hash).
    values["Key"]["Collision64"] = "slow";
    Json changed = named;
    changed["classes"]["car"]["collections"]["default"]["values"]["H64"] = fnv("slow");
    Write("named.json", named.dump());
    Write("changed.json", changed.dump());
    const Result diff = Vxmod("diff named.json changed.json");
    EXPECT_EQ(diff.status, 0) << diff.err;
    EXPECT_THAT(diff.out, HasSubstr("update_field car default H64 slow\n"));
}

TEST_F(VxmodTest, DiffWritesTheScriptThatTurnsOneDatabaseIntoTheOther) {
    using Ordered = nlohmann::ordered_json;
    Write("before.json", kEveryTypeDatabase);
    Ordered after = Ordered::parse(kEveryTypeDatabase);
    Ordered& values = after["classes"]["car"]["collections"]["default"]["values"];
    values["Speed"] = 150;
    values["I8"] = -7;
    values["U32"] = 4000000000u;
    values["F"] = 0.1;
    values["B"] = true;
    values["T"] = {{"bytes", "436166e9"}};
    values["H32"] = "acme";
    values["H64"] = "fast";
    values["Key"]["Visual"] = "Shiny";
    char tuned[16];  // a collection the script makes, named by its key
    std::snprintf(tuned, sizeof tuned, "0x%08X", HostHash("tuned"));
    values["Ref"]["Collection"] = tuned;
    values["V3"] = {1, 2.5, 3};
    values["Axle"]["Rear"] = 1.25;
    values["Part"]["Level"] = 3;
    values["Mod"]["Scale"] = 2;
    values["Ratios"] = {1, 9, 3, 4.5, 0};
    after["classes"]["car"]["collections"]["tuned"] = {{"parent", "default"},
                                                       {"values", {{"Speed", 250}, {"Doors", 2}}}};
    after["classes"]["car"]["collections"]["tuned-gt"] = {{"parent", "tuned"},
                                                          {"values", {{"Doors", 3}}}};
    Write("after.json", after.dump(2));
    fs::create_directories(work_.Path() / "AttribMods");

    const Result diff = Vxmod("diff before.json after.json -o AttribMods/diff.vxmod");
    ASSERT_EQ(diff.status, 0) << diff.err;
    const Result run = Vxmod("run --db before.json --dump ran.json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, IsEmpty());
    fs::create_directories(work_.Path() / "none");
    ASSERT_EQ(Vxmod("run --db after.json --dump expected.json none").status, 0);
    EXPECT_EQ(ReadFile(work_.Path() / "ran.json"), ReadFile(work_.Path() / "expected.json"))
        << ReadFile(work_.Path() / "AttribMods/diff.vxmod");

    // What a script cannot do is named, and the status says the script is not whole.
    after["classes"]["car"]["collections"]["tuned"]["values"]["I32"] = 5;
    after["classes"]["car"]["collections"].erase("tuned-gt");
    Write("after.json", after.dump(2));
    const Result partial = Vxmod("diff before.json after.json");
    EXPECT_EQ(partial.status, 1);
    EXPECT_THAT(Lines(partial.err),
                ElementsAre("vxmod: a script cannot give 'car'->'tuned'.'I32' a value of its own "
                            "(a script sets the value where it is held)"));
    EXPECT_THAT(partial.out, HasSubstr("\n# What a script cannot do, left out:\n#   give "));
}

}  // namespace

// Black-box tests of the vxmod program: each test runs the built binary in a
// fresh folder and checks what it printed, its exit status, the log it left
// and the database it dumped.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TempDirectory.h"

namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using Json = nlohmann::json;

constexpr const char* kLogName = "VexaAttribLoader.Tormelin.log";

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

// The sandbox host's string hash (CRC-32), to write keys as "0x" names.
uint32_t HostHash(std::string_view text) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : text) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class VxmodTest : public ::testing::Test {
protected:
    // Runs vxmod with `arguments` (shell words) in the work folder.
    Result Vxmod(const std::string& arguments) const {
        const fs::path out = captures_.Path() / "out";
        const fs::path err = captures_.Path() / "err";
        const std::string command = "cd '" + work_.Path().string() + "' && '" VXMOD_PATH "' " +
                                    arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }

    void Write(const fs::path& relative, std::string_view text) const {
        work_.Write(relative, text);
    }

    // The messages of the log, without spdlog's time stamp and logger name:
    // "[warning] ..." and "[info] ...".
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : Lines(ReadFile(work_.Path() / kLogName))) {
            const std::string logger = "[VexaAttribLoader.Tormelin] ";
            const std::size_t at = line.find(logger);
            messages.push_back(at == std::string::npos ? line : line.substr(at + logger.size()));
        }
        return messages;
    }

    bool LogExists() const { return fs::exists(work_.Path() / kLogName); }

    Json ReadDump(const std::string& name) const {
        return Json::parse(ReadFile(work_.Path() / name));
    }

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

    vexa::test::TempDirectory work_;
    vexa::test::TempDirectory captures_;
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
                          "loaded with errors!\n\nPlease check the "
                          "'VexaAttribLoader.Tormelin.log' file for details.\n"));
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
    EXPECT_EQ(after.status, 0) << after.err;
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
    for (const char* arguments : {"--help", "run --help", "check --help", "check", "--version"}) {
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
          "run --db", "run one two", "run --colour", "check one two", "help nothing"}) {
        const Result result = Vxmod(arguments);
        EXPECT_EQ(result.status, 2) << "'" << arguments << "'";
        EXPECT_THAT(result.err, StartsWith("vxmod: ")) << arguments;
    }
    EXPECT_FALSE(LogExists());
}

// ---- database files it cannot use -------------------------------------------

TEST_F(VxmodTest, MissingDatabaseFileIsNamed) {
    const Result run = Vxmod("run --db nowhere.json");
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("nowhere.json"));
    EXPECT_FALSE(LogExists());
}

TEST_F(VxmodTest, UnparsableDatabaseFileIsNamed) {
    Write("broken.json", "{ \"classes\": { ");
    const Result run = Vxmod("run --db broken.json");
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("broken.json"));
}

TEST_F(VxmodTest, DatabaseProblemIsLocatedByItsJsonPointer) {
    Write("bad.json", R"({ "classes": { "car": { "fields": { "Grip": { "type": 5 } } } } })");
    const Result run = Vxmod("run --db bad.json");
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, AllOf(HasSubstr("bad.json"), HasSubstr("/classes/car/fields/Grip/type")));
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

TEST_F(VxmodTest, CheckOfACleanFolderExitsZeroAndOfNoFolderOne) {
    EXPECT_EQ(Vxmod("check").status, 1);
    Write("AttribMods/ok.vxmod", "add_node car default x # a comment\n");
    const Result check = Vxmod("check");
    EXPECT_EQ(check.status, 0);
    EXPECT_THAT(check.out, HasSubstr("1 script checked: 0 errors, 0 warnings"));
}

}  // namespace

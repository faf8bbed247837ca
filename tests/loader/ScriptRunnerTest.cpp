#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hash/HashResolver.h"
#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "sandbox/Database.h"
#include "support/LogCapture.h"
#include "support/TempDirectory.h"

namespace rakor {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Box {
    std::string caption;
    std::string text;
};

// A database with class "car" and collection "default", so that
// "add_node car default X" succeeds and "add_node nope default X" fails.
class ScriptRunnerTest : public ::testing::Test {
protected:
    ScriptRunnerTest() {
        db_.AddClass("car").AddCollection("default");
        Attrib::HashResolver::ResetForTesting();
    }

    RunSummary Run(const fs::path& directory = "AttribMods") {
        ScriptRunner runner(log_.Logger(),
                            [this](const std::string& caption, const std::string& text) {
                                boxes_.push_back({caption, text});
                            });
        return runner.LoadScriptDirectory(directory);
    }

    std::vector<std::string> Summaries() const {
        std::vector<std::string> lines;
        for (const auto& line : log_.Lines()) {
            if (line.starts_with("info|")) {
                lines.push_back(line.substr(5));
            }
        }
        return lines;
    }

    vexa::test::TempDirectory cwd_{/*enter=*/true};
    Sandbox::Database db_;
    vexa::test::LogCapture log_;
    std::vector<Box> boxes_;
};

constexpr const char* kGood = "add_node car default ";
constexpr const char* kBad = "add_node nope default x\n";

std::string Good(const std::string& name) {
    return kGood + name + "\n";
}

TEST_F(ScriptRunnerTest, FailedLineIsLoggedCountedAndShownOnceWhileOthersRun) {
    cwd_.Write("AttribMods/x.vxmod", std::string(kBad) + Good("a") + Good("b") + Good("c"));
    const RunSummary summary = Run();

    EXPECT_THAT(log_.Lines(),
                ElementsAre("warning|[AttribMods/x.vxmod] Caught error executing script line: "
                            "AddNode.Act => Class 'nope' not found",
                            "info|[AttribMods/x.vxmod] Script loaded with errors: 3 succesful / 1 "
                            "failed"));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "Vexa Attrib Loader - Tormelin");
    EXPECT_EQ(boxes_[0].text,
              "Script 'AttribMods/x.vxmod' loaded with errors!\n\nPlease check the "
              "'VexaAttribLoader.Tormelin.log' file for details.");
    EXPECT_TRUE(db_.GetClass("car").FindCollection("c").has_value());
    EXPECT_EQ(summary.succeeded, 3);
    EXPECT_EQ(summary.failed, 1);
}

TEST_F(ScriptRunnerTest, CleanScriptLogsSummaryWithoutSuffixAndNoBox) {
    cwd_.Write("AttribMods/clean.vxmod", "# only a comment\n\n   \n");
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/clean.vxmod] Script loaded: 0 succesful / 0 failed"));
    EXPECT_THAT(boxes_, IsEmpty());
}

TEST_F(ScriptRunnerTest, MissingOrEmptyDirectoryLogsNothing) {
    Run();
    fs::create_directory("AttribMods");
    Run();
    EXPECT_THAT(log_.Lines(), IsEmpty());
}

TEST_F(ScriptRunnerTest, OnlyEnabledVxmodFilesRun) {
    cwd_.Write("AttribMods/!old.vxmod", Good("old"));
    cwd_.Write("AttribMods/!off/inner.vxmod", Good("inner"));
    cwd_.Write("AttribMods/tune.vxmod.txt", Good("txt"));
    cwd_.Write("AttribMods/tune.VXMOD", Good("upper"));
    cwd_.Write("AttribMods/.vxmod", Good("dotfile"));
    cwd_.Write("AttribMods/tune.old.vxmod", Good("twodots"));
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/tune.old.vxmod] Script loaded: 1 succesful / 0 failed"));
}

TEST_F(ScriptRunnerTest, DisabledScriptDirectoryRunsNothing) {
    cwd_.Write("!AttribMods/a.vxmod", Good("a"));
    Run("!AttribMods");
    EXPECT_THAT(log_.Lines(), IsEmpty());
}

TEST_F(ScriptRunnerTest, WalkIsDepthFirstInListingOrder) {
    cwd_.Write("AttribMods/a.vxmod", Good("a"));
    cwd_.Write("AttribMods/sub/b.vxmod", Good("b"));
    cwd_.Write("AttribMods/sub/deeper/c.vxmod", Good("c"));
    cwd_.Write("AttribMods/z.vxmod", Good("z"));

    // The loader does not sort: expect exactly the platform's listing order,
    // with each folder finished before the next entry of its parent.
    std::vector<std::string> expected;
    const auto walk = [&](auto&& self, const fs::path& dir) -> void {
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.is_directory()) {
                self(self, entry.path());
            } else {
                expected.push_back("[" + entry.path().generic_string() +
                                   "] Script loaded: 1 succesful / 0 failed");
            }
        }
    };
    walk(walk, "AttribMods");
    Run();
    EXPECT_EQ(Summaries(), expected);
}

TEST_F(ScriptRunnerTest, FolderNamedLikeAScriptIsWalkedThenTakenAsAnEmptyScript) {
    cwd_.Write("AttribMods/pack.vxmod/inner.vxmod", Good("inner"));
    Run();
    EXPECT_THAT(
        Summaries(),
        ElementsAre("[AttribMods/pack.vxmod/inner.vxmod] Script loaded: 1 succesful / 0 failed",
                    "[AttribMods/pack.vxmod] Script loaded: 0 succesful / 0 failed"));
}

TEST_F(ScriptRunnerTest, WindowsLineEndsAndCtrlZReadLikeTheGameReadsThem) {
    cwd_.Write("AttribMods/crlf.vxmod",
               "add_node car default a\r\nadd_node car default b\r\n\x1A"
               "add_node nope default x\r\n");
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/crlf.vxmod] Script loaded: 2 succesful / 0 failed"));
}

TEST_F(ScriptRunnerTest, ByteOrderMarkBeforeTheFirstLineIsSkipped) {
    cwd_.Write("AttribMods/bom.vxmod",
               "\xEF\xBB\xBF"
               "add_node car default a\r\nadd_node car default b\r\n");
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/bom.vxmod] Script loaded: 2 succesful / 0 failed"));
}

TEST_F(ScriptRunnerTest, LinesThatCannotBeParsedFailInTheirOwnPlace) {
    cwd_.Write("AttribMods/p.vxmod",
               "add_node car default a\n"
               "update_field car default\n"
               "update_field car default Gears[x] 1\n"
               "add_node nope default x\n"
               "add_node car default b\n");
    const RunSummary summary = Run();
    const auto lines = log_.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines[0], HasSubstr("Caught error executing script line: update_field: needs 4"));
    EXPECT_THAT(lines[1], HasSubstr("update_field: subscript of 'Gears[x]' is not a number"));
    EXPECT_THAT(lines[2], HasSubstr("AddNode.Act => Class 'nope' not found"));
    EXPECT_EQ(lines[3],
              "info|[AttribMods/p.vxmod] Script loaded with errors: 2 succesful / 3 failed");
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(summary.failed, 3);
}

// What an observer is told: every line with a token as it is parsed, then
// each line that runs with its tokens, the message logged and its cause, and
// each problem of the walk as the log has it, path whole.
TEST_F(ScriptRunnerTest, ObserverHearsEachLineAndWalkProblemAsTheLogTellsIt) {
    struct Heard : WalkObserver {
        std::vector<int> parsed;
        std::vector<std::string> ran;  // number, first token, cause, message
        std::vector<std::string> problems;
        void LineParsed(const Attrib::Automation::ParsedLine& line) override {
            parsed.push_back(line.number);
        }
        void LineFinished(const LineRun& line) override {
            ran.push_back(std::to_string(line.number) + " " + std::string(line.tokens[0]) + " " +
                          std::to_string(static_cast<int>(line.facts.cause)) + " " +
                          (line.error != nullptr ? *line.error : "ok"));
        }
        void WalkProblem(const std::string& path, const std::string& reason) override {
            problems.push_back("[" + path + "] " + reason);
        }
    } heard;
    cwd_.Write("AttribMods/[HD] Pack/p.vxmod",
               "# a comment\n"
               "add_node car default a   # made\n"
               "\n"
               "Add_Node car default b\n"
               "update_field car default\n"
               "add_node nope default x\n");
    std::error_code error;
    fs::create_directory_symlink(fs::absolute("AttribMods"), "AttribMods/[HD] Pack/loop", error);
    ScriptRunner runner(log_.Logger(), nullptr, &heard);
    runner.LoadScriptDirectory("AttribMods");

    using Attrib::Automation::Cause;
    const auto cause = [](Cause c) { return std::to_string(static_cast<int>(c)); };
    EXPECT_THAT(heard.parsed, ElementsAre(2, 4, 5, 6));
    EXPECT_THAT(heard.ran,
                ElementsAre("2 add_node " + cause(Cause::None) + " ok",
                            "5 update_field " + cause(Cause::TooFewArguments) +
                                " update_field: needs 4 arguments but has 2; usage: update_field "
                                "<class> <collection> <field>[index] [member] <value>",
                            "6 add_node " + cause(Cause::NoClass) +
                                " AddNode.Act => Class 'nope' not found"));
    if (!error) {
        EXPECT_THAT(heard.problems,
                    ElementsAre("[AttribMods/[HD] Pack/loop] Skipped: this folder was already "
                                "walked (a link leads back to it)"));
        EXPECT_THAT(log_.Lines(), ::testing::Contains("warning|" + heard.problems[0]));
    }
}

TEST_F(ScriptRunnerTest, LinkBackToAnAncestorIsNotWalkedAgain) {
    cwd_.Write("AttribMods/a.vxmod", Good("a"));
    std::error_code error;
    fs::create_directory_symlink(fs::absolute("AttribMods"), "AttribMods/loop", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/a.vxmod] Script loaded: 1 succesful / 0 failed"));
    EXPECT_THAT(log_.Lines(), ::testing::Contains(HasSubstr("[AttribMods/loop] Skipped")));
}

TEST_F(ScriptRunnerTest, ScriptThatCannotBeReadIsNotRunAndSaysWhyInLogAndBox) {
    cwd_.Write("AttribMods/b.vxmod", Good("b"));
    std::error_code error;
    fs::create_symlink("missing-target", "AttribMods/a.vxmod", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    const RunSummary summary = Run();

    const std::string why =
        "Could not read the script: the file is not there any more (deleted or moved while the "
        "loader walked its folder, or a link that leads nowhere)";
    EXPECT_THAT(log_.Lines(), ::testing::Contains("warning|[AttribMods/a.vxmod] " + why));
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/b.vxmod] Script loaded: 1 succesful / 0 failed"));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Script 'AttribMods/a.vxmod' was not run!\n\n" + why +
                                  "\n\nPlease check the 'VexaAttribLoader.Tormelin.log' file for "
                                  "details.");
    EXPECT_EQ(summary.scripts, 2);
    EXPECT_EQ(summary.notRun, 1);
}

// Read byte by byte, a script saved as UTF-16 would run no line and look
// loaded: it is refused whole, with a word on how to save it.
TEST_F(ScriptRunnerTest, ScriptSavedAsUtf16IsNotRunAndToldToBeSavedAsUtf8) {
    const auto utf16 = [](std::string_view mark, const std::string& text) {
        std::string bytes(mark);
        for (const char c : text) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    cwd_.Write("AttribMods/marked.vxmod", utf16("\xFF\xFE", Good("a")));
    cwd_.Write("AttribMods/unmarked.vxmod", utf16("", Good("b")));
    cwd_.Write("AttribMods/utf8.vxmod", "\xEF\xBB\xBF" + Good("c"));
    const RunSummary summary = Run();

    const std::string why =
        "Not run: the script is saved as UTF-16 (\"Unicode\"), and the loader reads scripts as "
        "UTF-8; save it as UTF-8 (in Notepad: File, Save as, Encoding UTF-8)";
    for (const char* path : {"AttribMods/marked.vxmod", "AttribMods/unmarked.vxmod"}) {
        EXPECT_THAT(log_.Lines(), ::testing::Contains(fmt::format("warning|[{}] {}", path, why)));
    }
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/utf8.vxmod] Script loaded: 1 succesful / 0 failed"));
    EXPECT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(summary.notRun, 2);
    EXPECT_FALSE(db_.GetClass("car").FindCollection("a").has_value());
}

TEST_F(ScriptRunnerTest, EveryPassRunsEveryScriptAgain) {
    cwd_.Write("AttribMods/x.vxmod", Good("again"));
    Run();
    Run();
    EXPECT_THAT(Summaries(),
                ElementsAre("[AttribMods/x.vxmod] Script loaded: 1 succesful / 0 failed",
                            "[AttribMods/x.vxmod] Script loaded: 1 succesful / 0 failed"));
    EXPECT_EQ(db_.GetClass("car").Collections().size(), 3u) << "two collections named 'again'";
}

TEST_F(ScriptRunnerTest, NonAsciiPathsReachLogAndBoxAsUtf8) {
    // A path made from UTF-8 on purpose: narrow text would be read in the
    // Windows code page.
    cwd_.Write(fs::path(u8"AttribMods/\u00DCber.vxmod"), kBad);
    Run();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_THAT(boxes_[0].text, HasSubstr("'AttribMods/\xC3\x9C"
                                          "ber.vxmod'"));
}

TEST_F(ScriptRunnerTest, LogReachesTheFileAfterEveryScriptAndBeforeABox) {
    // A game may crash in the next script, and a box sends the modder to the log.
    const auto readLog = [] {
        std::ifstream file("run.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    struct SeesTheLog : WalkObserver {
        std::function<std::string()> read;
        std::vector<std::string> logAtStart;
        bool ScriptStarting(const ScriptInfo&) override {
            logAtStart.push_back(read());
            return true;
        }
    } observer;
    observer.read = readLog;
    std::string logAtBox;
    ScriptRunner runner(
        CreateLoaderLog("run.log").logger,
        [&](const std::string&, const std::string&) { logAtBox = readLog(); }, &observer);
    cwd_.Write("AttribMods/a.vxmod", Good("a"));
    cwd_.Write("AttribMods/b.vxmod", kBad);
    runner.LoadScriptDirectory("AttribMods");

    ASSERT_EQ(observer.logAtStart.size(), 2u);
    EXPECT_THAT(observer.logAtStart[1], HasSubstr("Script loaded"))
        << "the first script's lines before the second runs";
    EXPECT_THAT(
        logAtBox,
        HasSubstr("[AttribMods/b.vxmod] Script loaded with errors: 0 succesful / 1 failed"));
}

TEST_F(ScriptRunnerTest, BoxSaysWhereTheLogCouldNotBeWrittenAndWhatFailed) {
    fs::create_directory("blocked.log");
    const LoaderLog log = CreateLoaderLog("blocked.log");
    ScriptRunner runner(
        log.logger,
        [this](const std::string& caption, const std::string& text) {
            boxes_.push_back({caption, text});
        },
        nullptr, log.status);
    cwd_.Write("AttribMods/x.vxmod", Good("a") + kBad + kBad);
    runner.LoadScriptDirectory("AttribMods");

    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text,
              "Script 'AttribMods/x.vxmod' loaded with errors!\n\nThe log file could not be "
              "written, so the details are not there:\n" +
                  log.status->Where() + ": " + log.status->Problem() +
                  "\n(Is it open in another program, or is the folder read-only?)"
                  "\n\nFirst failed line (2): AddNode.Act => Class 'nope' not found (and 1 more)");
    EXPECT_THAT(log.status->Where(), HasSubstr("blocked.log"));
}

// A log away from the game's .exe (a launcher's folder) is named in full.
TEST_F(ScriptRunnerTest, BoxNamesTheLogAsItsStatusSays) {
    cwd_.Write("AttribMods/x.vxmod", kBad);
    for (const bool inFull : {false, true}) {
        const LoaderLog log = CreateLoaderLog("elsewhere.log");
        if (inFull) {
            log.status->NameInFull();
        }
        boxes_.clear();
        ScriptRunner(
            log.logger,
            [this](const std::string& caption, const std::string& text) {
                boxes_.push_back({caption, text});
            },
            nullptr, log.status)
            .LoadScriptDirectory("AttribMods");
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_THAT(boxes_[0].text, ::testing::EndsWith(fmt::format(
                                        "Please check the '{}' file for details.",
                                        inFull ? (fs::current_path() / "elsewhere.log").string()
                                               : "elsewhere.log")));
    }
}

#if defined(_WIN32)
TEST(ScriptRunnerNames, NameThatIsNotValidUtf16ShowsWithReplacementCharacters) {
    // Windows does not check that names are valid UTF-16; a lone surrogate
    // has no UTF-8 form, and converting it must not stop the walk.
    const fs::path lone(
        L"AttribMods\\a\xD800"
        L"b.vxmod");
    EXPECT_EQ(ScriptRunner::DisplayPath(lone),
              "AttribMods/a\xEF\xBF\xBD"
              "b.vxmod");
    EXPECT_TRUE(ScriptRunner::IsScriptName(lone));
    EXPECT_FALSE(ScriptRunner::IsDisabled(lone));
    EXPECT_TRUE(ScriptRunner::IsDisabled(fs::path(L"AttribMods\\!\xDC00")));
    EXPECT_EQ(ScriptRunner::DisplayPath(fs::path(L"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD")
        << "each lone unit is one replacement character";
    EXPECT_EQ(ScriptRunner::DisplayPath(fs::path(L"\xD83D\xDE97.vxmod")), "\xF0\x9F\x9A\x97.vxmod")
        << "a pair is one character";
}
#endif

}  // namespace
}  // namespace rakor

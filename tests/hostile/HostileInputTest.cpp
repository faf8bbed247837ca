// Hostile input, end to end: scripts, folders and a hash list made to break
// the loader, run by the script runner against a database with a field of
// every type in every place a field can live (fuzz/every-field.json), as the
// game runs them. Every case checks that nothing crashes or leaves the runner
// as an exception (ctest's timeout catches a hang), that every good line is
// still applied, that every bad line gets exactly one warning, and that the
// counts add up. Big inputs are made here at run time, never committed.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hash/HashResolver.h"
#include "loader/ScriptRunner.h"
#include "loader/Snapshot.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/NameHash.h"
#include "support/LogCapture.h"
#include "support/RecordedHost.h"
#include "support/TempDirectory.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using Json = nlohmann::ordered_json;

// The million-line script and the million-line hash list take seconds
// natively and many times that under AddressSanitizer, which instruments
// every allocation of the parser and the resolver. There they run with a
// tenth of the lines: the same code paths, the same checks.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kBigScale = 10;
#else
constexpr int kBigScale = 1;
#endif

std::size_t BigCount(std::size_t count) {
    if (kBigScale != 1) {
        std::cout << "[ note     ] under AddressSanitizer: " << count / kBigScale
                  << " lines instead of " << count << " (same paths, a tenth of the time)\n";
    }
    return count / kBigScale;
}

constexpr const char* kWarning = "warning|[";
constexpr const char* kCaught = "] Caught error executing script line: ";

class HostileInputTest : public ::testing::Test {
protected:
    HostileInputTest() {
        LoadEveryField();
        Attrib::HashResolver::ResetForTesting();
    }
    void LoadEveryField() {
        db_.reset();
        db_.emplace();
        Sandbox::LoadDescription(*db_, Sandbox::ReadDescriptionFile(VEXA_EVERY_FIELD_DATABASE));
    }
    // A million names in the resolver would outlive the test.
    ~HostileInputTest() override { Attrib::HashResolver::ResetForTesting(); }

    // Every pack runs twice more first, from the same database and with a
    // fresh hash resolver: with the snapshot folder and without. The snapshot
    // only reads: the two passes log the same (the snapshot's own two lines
    // aside), make the same calls into the host and leave the same database.
    // And vxmod run on its before.json logs what the game logged and leaves
    // the database as its after.json has it.
    void ExpectTheSnapshotChangesNothing() {
        Attrib::AttribTypeRegistry::Instance();  // filled once a process, at its first pass
        const std::shared_ptr<const Sandbox::DatabaseSnapshot> start = db_->TakeSnapshot();
        struct Trial {
            std::vector<std::string> log;
            std::vector<vexa::test::HostCall> calls;
            Json database;
        };
        const auto trial = [&](bool asked) {
            Attrib::HashResolver::ResetForTesting();
            if (asked) {
                fs::create_directories(kSnapshotFolder);
            }
            vexa::test::LogCapture log;
            std::unique_ptr<Snapshot> snapshot = Snapshot::IfAsked("AttribMods", *log.Logger());
            if (snapshot) {
                snapshot->Before();
            }
            vexa::test::StartNotingCalls();
            ScriptRunner(log.Logger(), [](const std::string&, const std::string&) {
            }).LoadScriptDirectory("AttribMods");
            Trial result{.log = {}, .calls = vexa::test::StopNotingCalls(), .database = {}};
            if (snapshot) {
                snapshot->After();
                for (const char* file : {kSnapshotBefore, kSnapshotAfter}) {
                    snapshotFiles_.push_back(
                        Sandbox::ReadDescriptionFile(fs::path(kSnapshotFolder) / file));
                }
            }
            fs::remove_all("VexaAttribLoader");
            for (std::string& line : log.Lines()) {
                if (line.find("VexaAttribLoader/snapshot/") == std::string::npos) {
                    result.log.push_back(std::move(line));
                }
            }
            result.database = Sandbox::DumpDescription(*db_);
            db_->Restore(*start);
            return result;
        };
        const Trial off = trial(false);
        const Trial on = trial(true);
        EXPECT_EQ(on.log, off.log) << "with the snapshot folder";
        EXPECT_TRUE(on.calls == off.calls) << "with the snapshot folder: " << on.calls.size()
                                           << " calls into the host, not " << off.calls.size();
        EXPECT_TRUE(on.database == off.database) << "with the snapshot folder";
        ExpectVxmodOnBeforeGives(on.log);
        Attrib::HashResolver::ResetForTesting();
    }

    // vxmod's run on before.json, in a database of its own (the test's is
    // loaded again after: no test touches it before its one run).
    void ExpectVxmodOnBeforeGives(const std::vector<std::string>& gameLog) {
        ASSERT_EQ(snapshotFiles_.size(), 2u);
        Json after;
        db_.reset();
        {
            Sandbox::Database loaded;
            ASSERT_NO_THROW(Sandbox::LoadDescription(loaded, snapshotFiles_[1]));
            after = Sandbox::DumpDescription(loaded);
        }
        {
            Attrib::HashResolver::ResetForTesting();
            Sandbox::Database replayed;
            ASSERT_NO_THROW(Sandbox::LoadDescription(replayed, snapshotFiles_[0]));
            vexa::test::LogCapture log;
            ScriptRunner(log.Logger(), [](const std::string&, const std::string&) {
            }).LoadScriptDirectory("AttribMods");
            EXPECT_EQ(log.Lines(), gameLog) << "vxmod run on before.json";
            EXPECT_TRUE(Sandbox::DumpDescription(replayed) == after)
                << "vxmod run on before.json leaves the database as after.json has it";
        }
        snapshotFiles_.clear();
        LoadEveryField();
    }

    RunSummary Run() {
        if (checkSnapshot_) {
            ExpectTheSnapshotChangesNothing();
        }
        ScriptRunner runner(log_.Logger(), [this](const std::string&, const std::string& text) {
            boxes_.push_back(text);
            if (onBox_) {
                onBox_(text);
            }
        });
        runner.RecordFailures(failures_);
        return runner.LoadScriptDirectory("AttribMods");
    }

    void Write(const fs::path& relative, std::string_view bytes) {
        cwd_.Write(fs::path("AttribMods") / relative, bytes);
    }

    // The warnings of one script, without their prefix.
    std::vector<std::string> Warnings(const std::string& displayPath) const {
        std::vector<std::string> messages;
        const std::string prefix = kWarning + displayPath + kCaught;
        for (const std::string& line : log_.Lines()) {
            if (line.starts_with(prefix)) {
                messages.push_back(line.substr(prefix.size()));
            }
        }
        return messages;
    }

    std::vector<std::string> Summaries() const {
        std::vector<std::string> summaries;
        for (const std::string& line : log_.Lines()) {
            if (line.starts_with("info|")) {
                summaries.push_back(line.substr(5));
            }
        }
        return summaries;
    }

    // The script's summary line says these counts, and it has one warning
    // for each failed line.
    void ExpectCounts(const std::string& displayPath, int succeeded, int failed) {
        const std::string expected =
            fmt::format("[{}] Script loaded{}: {} succesful / {} failed", displayPath,
                        failed > 0 ? " with errors" : "", succeeded, failed);
        EXPECT_THAT(Summaries(), ::testing::Contains(expected));
        EXPECT_EQ(Warnings(displayPath).size(), static_cast<std::size_t>(failed)) << displayPath;
    }

    Sandbox::Collection Default() const { return db_->GetClass("car").GetCollection("default"); }
    template <typename T>
    T Own(const char* field) const {
        return Default().ReadInline<T>(field);
    }
    template <typename T>
    T Layout(const char* field, const char* collection = "default") const {
        return db_->GetClass("car").GetCollection(collection).ReadLayout<T>(field);
    }
    std::string OwnText(const char* field) const { return Own<const char*>(field); }

    vexa::test::TempDirectory cwd_{/*enter=*/true};
    std::optional<Sandbox::Database> db_;
    std::vector<Json> snapshotFiles_;  // before.json and after.json of the trial with the folder
    vexa::test::LogCapture log_;
    std::vector<std::string> boxes_;
    std::vector<LineFailure> failures_;
    std::function<void(const std::string&)> onBox_;
    bool checkSnapshot_ = true;
};

// ---- size ---------------------------------------------------------------------

TEST_F(HostileInputTest, TenMegabyteLinesAreReadWhole) {
    const std::string huge(10 << 20, 'a');
    Write("value.vxmod", "update_field car default EI32 1\nupdate_field car default ET " + huge +
                             "\nupdate_field car default EF 2\n");
    Write("name.vxmod",
          "update_field car default " + huge + " 1\nupdate_field car default EI16 3\n");
    // A megabyte is long enough for the rest: ten of them add only time.
    const std::string long1(1 << 20, 'b');
    Write("comment.vxmod", "update_field car default EU16 4 #" + long1 + "\n");
    Write("no-line-end.vxmod", "update_field car default EH32 " + long1);
    // Five million one-letter words: not a command, so nothing at all.
    std::string words;
    for (std::size_t i = 0; i < (5u << 20); ++i) {
        words += "x ";
    }
    Write("words.vxmod", words + "\nupdate_field car default EU32 5\n");

    const RunSummary summary = Run();
    EXPECT_EQ(summary.scripts, 5);
    ExpectCounts("AttribMods/value.vxmod", 3, 0);
    ExpectCounts("AttribMods/name.vxmod", 1, 1);
    ExpectCounts("AttribMods/comment.vxmod", 1, 0);
    ExpectCounts("AttribMods/no-line-end.vxmod", 1, 0);
    ExpectCounts("AttribMods/words.vxmod", 1, 0);
    EXPECT_EQ(OwnText("ET"), huge);
    EXPECT_EQ(Own<int16_t>("EI16"), 3);
    EXPECT_EQ(Own<uint16_t>("EU16"), 4);
    EXPECT_EQ(Own<uint32_t>("EH32"), Sandbox::Crc32(long1));
    EXPECT_EQ(Own<uint32_t>("EU32"), 5u);
    EXPECT_THAT(Warnings("AttribMods/name.vxmod").at(0),
                StartsWith("ModifyField.Act => Field 'car'->'default'.'aaaa"));
}

TEST_F(HostileInputTest, MillionLineScriptRunsEveryLine) {
    const std::size_t count = BigCount(1'000'000);
    std::string script;
    script.reserve(count * 36);
    int good = 0;
    int bad = 0;
    int last = 0;
    for (std::size_t i = 1; i <= count; ++i) {
        if (i % 100'000 == 0) {
            script += fmt::format("update_field car default Nope {}\n", i);
            ++bad;
        } else if (i % 1000 == 0) {
            script += i % 2000 == 0 ? "\n" : "# a comment\n";
        } else {
            script += fmt::format("update_field car default EI32 {}\n", i);
            ++good;
            last = static_cast<int>(i);
        }
    }
    Write("million.vxmod", script);
    const RunSummary summary = Run();
    EXPECT_EQ(summary.succeeded, good);
    EXPECT_EQ(summary.failed, bad);
    ExpectCounts("AttribMods/million.vxmod", good, bad);
    EXPECT_EQ(Own<int32_t>("EI32"), last);
    ASSERT_FALSE(failures_.empty());
    EXPECT_EQ(failures_.back().line, static_cast<int>(count / 100'000 * 100'000));
}

// ---- bytes ---------------------------------------------------------------------

TEST_F(HostileInputTest, NulBytesAndInvalidUtf8InNamesAndValues) {
    using namespace std::string_literals;
    Write("bytes.vxmod",
          "update_field car default ET caf\xE9\n"            // Windows-1252 text: kept
          "update_field car default EH32 \xFF\xFE\n"         // a name of any bytes
          "update_field car default LT a\0b\n"s              // a text ends at NUL
          "update_field car\0junk default EI32 5\n"s         // so does a name
          "update_field car default EI16 12\0x\n"s           // and a number
          "add_node car default n\xE9w\n"                    // a collection of any name
          "update_field car default EKey Visual \xE9\0x\n"s  // a member's text
          "update_field car default E\xFFI32 6\n"            // no such field
          "update_field \xC3\x28 default EI32 7\n"           // no such class
          "update_field car default EU16 \0\n"s              // not a number
          "update_field car default AF[\0] 1\n"s);           // not a subscript
    Run();
    ExpectCounts("AttribMods/bytes.vxmod", 7, 4);
    EXPECT_EQ(OwnText("ET"), "caf\xE9");
    EXPECT_EQ(Own<uint32_t>("EH32"), Sandbox::Crc32("\xFF\xFE"));
    EXPECT_STREQ(Layout<const char*>("LT"), "a");
    EXPECT_EQ(Own<int32_t>("EI32"), 5);
    EXPECT_EQ(Own<int16_t>("EI16"), 12);
    EXPECT_TRUE(db_->GetClass("car").FindCollection(Sandbox::Crc32("n\xE9w")));
    const auto* key = static_cast<const uint8_t*>(Default().EntryTarget("EKey"));
    EXPECT_STREQ(Sandbox::ReadAs<const char*>(key + 12), "\xE9");
    EXPECT_THAT(Warnings("AttribMods/bytes.vxmod").at(0), HasSubstr("'E\xFFI32' not found"));
}

TEST_F(HostileInputTest, BinaryFilesNamedLikeScripts) {
    // Random bytes (but no Ctrl-Z, which would end the text there), then a
    // good line: it still runs. The test program itself is a binary too.
    std::mt19937 random(8);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random() % 255);
        if (c == '\x1A') {
            c = '\n';
        }
    }
    Write("noise.vxmod", noise + "\nupdate_field car default EI32 77\n");
    fs::copy_file("/proc/self/exe", cwd_.Path() / "AttribMods" / "program.vxmod");

    const RunSummary summary = Run();
    EXPECT_EQ(summary.scripts, 2);
    EXPECT_EQ(Own<int32_t>("EI32"), 77);
    // Whatever the bytes made of lines, the counts and warnings agree.
    for (const char* path : {"AttribMods/noise.vxmod", "AttribMods/program.vxmod"}) {
        const auto failures =
            std::count_if(failures_.begin(), failures_.end(),
                          [&](const LineFailure& f) { return f.displayPath == path; });
        EXPECT_EQ(Warnings(path).size(), static_cast<std::size_t>(failures)) << path;
    }
    EXPECT_EQ(Summaries().size(), 2u);
}

// ---- folders -------------------------------------------------------------------

TEST_F(HostileInputTest, FilesThatVanishOrTurnUnreadableDuringTheWalk) {
    // Twenty scripts of one good and one bad line. When the first box shows,
    // the scripts not yet run are deleted, emptied, replaced by a folder of
    // the same name, or (for a user whose permissions count) made unreadable;
    // and a folder not yet walked is deleted.
    constexpr int kScripts = 20;
    for (int i = 0; i < kScripts; ++i) {
        Write(fmt::format("s{:02}.vxmod", i),
              "update_field car default EI32 1\nadd_node nope a b\n");
    }
    Write("zz-folder/inner.vxmod", "add_node nope a b\n");
    const bool permissionsCount = ::geteuid() != 0;
    // What each box said of its script: "loaded with errors", or why it was not run.
    std::map<std::string, std::string> said;
    std::map<std::string, int> vandalised;  // display path to what was done
    onBox_ = [&](const std::string& text) {
        const std::size_t end = text.find('\'', 8);
        const std::string path = text.substr(8, end - 8);
        said[path] = text.substr(end + 2, text.find('\n') - end - 2);
        if (said.size() != 1) {
            return;
        }
        int what = 0;
        for (int i = 0; i < kScripts; ++i) {
            const std::string name = fmt::format("s{:02}.vxmod", i);
            const fs::path file = cwd_.Path() / "AttribMods" / name;
            if ("AttribMods/" + name == path) {
                continue;
            }
            const int kind = what++ % (permissionsCount ? 4 : 3);
            switch (kind) {
                case 0:
                    fs::remove(file);
                    break;
                case 1:
                    std::ofstream(file, std::ios::trunc).flush();
                    break;
                case 2:
                    fs::remove(file);
                    fs::create_directory(file);
                    break;
                default:
                    fs::permissions(file, fs::perms::none);
                    break;
            }
            vandalised["AttribMods/" + name] = kind;
        }
        fs::remove_all(cwd_.Path() / "AttribMods" / "zz-folder");
    };
    const RunSummary summary = Run();

    // Each script either ran whole before the first box, or was emptied and
    // runs as an empty one, or is not run with a warning and a box that say
    // why: never a summary for a script that was not read.
    int ran = 0;
    for (int i = 0; i < kScripts; ++i) {
        const std::string path = fmt::format("AttribMods/s{:02}.vxmod", i);
        if (!vandalised.contains(path)) {
            ExpectCounts(path, 1, 1);
            ++ran;
            continue;
        }
        const int kind = vandalised[path];
        if (kind == 1) {
            ExpectCounts(path, 0, 0);
            EXPECT_FALSE(said.contains(path)) << path;
            continue;
        }
        const std::string why = kind == 0   ? "the file is not there any more"
                                : kind == 2 ? "it is a folder, not a file"
                                            : "access to the file is denied";
        EXPECT_THAT(log_.Lines(), ::testing::Contains(StartsWith(
                                      kWarning + path + "] Could not read the script: " + why)));
        EXPECT_THAT(Summaries(), ::testing::Not(::testing::Contains(HasSubstr(path))));
        EXPECT_EQ(said[path], "was not run!") << path;
    }
    // The folder's script ran only if it was the first to show a box.
    const bool innerRan = said.contains("AttribMods/zz-folder/inner.vxmod");
    EXPECT_EQ(ran, innerRan ? 0 : 1);
    EXPECT_EQ(summary.scripts, kScripts + (innerRan ? 1 : 0));
    EXPECT_EQ(summary.notRun, static_cast<int>(said.size()) - 1);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(boxes_.size(), said.size());
}

TEST_F(HostileInputTest, LinksThatLoopAreWalkedOnce) {
    Write("top.vxmod", "add_node car default top\n");
    Write("a/a.vxmod", "add_node car default a\n");
    Write("b/b.vxmod", "add_node car default b\n");
    const fs::path mods = cwd_.Path() / "AttribMods";
    fs::create_directory_symlink("..", mods / "a" / "up");     // back to AttribMods
    fs::create_directory_symlink(".", mods / "a" / "self");    // to itself
    fs::create_directory_symlink("../b", mods / "a" / "toB");  // a and b lead to
    fs::create_directory_symlink("../a", mods / "b" / "toA");  // each other
    fs::create_directory_symlink("..", mods / "outside");      // above AttribMods
    fs::create_symlink("loop2", mods / "loop1");               // a link to a link
    fs::create_symlink("loop1", mods / "loop2");               // to the first
    fs::create_symlink("nowhere", mods / "dangling.vxmod");    // a script that is not

    const RunSummary summary = Run();
    // Each script exactly once, whichever way the walk reached it first; the
    // dangling script cannot be read and is not run.
    std::map<std::string, int> runs;
    for (const std::string& line : Summaries()) {
        const std::string path = line.substr(1, line.find(']') - 1);
        ++runs[fs::path(path).filename().string()];
    }
    EXPECT_EQ(runs, (std::map<std::string, int>{{"a.vxmod", 1}, {"b.vxmod", 1}, {"top.vxmod", 1}}));
    EXPECT_EQ(summary.notRun, 1);
    EXPECT_EQ(summary.succeeded, 3);
    EXPECT_EQ(summary.failed, 0);
    for (const char* name : {"top", "a", "b"}) {
        EXPECT_TRUE(db_->GetClass("car").FindCollection(name)) << name;
    }
}

TEST_F(HostileInputTest, SixtyLevelDeepTree) {
    fs::path folder;
    for (int level = 0; level < 60; ++level) {
        folder /= fmt::format("level{:02}", level);
        Write(folder / "s.vxmod", fmt::format("add_node car default deep{}\n", level));
    }
    ASSERT_GT(folder.string().size(), 260u);  // beyond the classic Windows path limit
    const RunSummary summary = Run();
    EXPECT_EQ(summary.scripts, 60);
    EXPECT_EQ(summary.succeeded, 60);
    for (int level = 0; level < 60; ++level) {
        EXPECT_TRUE(db_->GetClass("car").FindCollection(fmt::format("deep{}", level))) << level;
    }
}

TEST_F(HostileInputTest, NonAsciiFolderAndFileNames) {
    const std::vector<std::string> paths = {
        "Überholt/ß.vxmod",   "日本語/車.vxmod",         "\xF0\x9F\x9A\x97/\xF0\x9F\x8F\x8E.vxmod",
        "Ünïcödé name.vxmod", "\xFF\xFE/\xC0\xAF.vxmod",  // bytes that are no UTF-8 at all
    };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Write(paths[i], fmt::format("add_node car default n{}\nadd_node nope a b\n", i));
    }
    const RunSummary summary = Run();
    EXPECT_EQ(summary.scripts, static_cast<int>(paths.size()));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string display = "AttribMods/" + paths[i];
        ExpectCounts(display, 1, 1);
        EXPECT_THAT(boxes_, ::testing::Contains(HasSubstr("'" + display + "'")));
        EXPECT_TRUE(db_->GetClass("car").FindCollection(fmt::format("n{}", i)));
    }
}

// ---- the hash list ----------------------------------------------------------------

TEST_F(HostileInputTest, MillionLineHashListWithWindowsLineEndsAndBinaryLines) {
    const std::size_t count = BigCount(1'000'000);
    std::string list = "\xEF\xBB\xBF";
    std::vector<std::string> binary;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 1000 == 999) {
            // A line of bytes: a lone CR, a NUL, bytes that are no UTF-8.
            binary.push_back(fmt::format("bin\r{}\xFF\xFE", i));
            list += binary.back() + "\r\n";
        } else {
            list += fmt::format("name{:07}\r\n", i);
        }
    }
    list += "last line without line end";
    cwd_.Write("Qzr/VLTHashes.txt", list +
                                        "\x1A"
                                        "after Ctrl-Z\n");

    const auto missingClass = [](std::string_view name) {
        return fmt::format("add_node 0x{:08x} default x\n", Sandbox::Crc32(name));
    };
    Write("names.vxmod",
          missingClass("name0000000") + missingClass(fmt::format("name{:07}", count - 2)) +
              missingClass(binary.front()) + missingClass("last line without line end") +
              missingClass("after Ctrl-Z") + "add_node car default ok\n");
    const RunSummary summary = Run();
    EXPECT_EQ(summary.succeeded, 1);
    const std::string prefix = "AddNode.Act => Class '";
    EXPECT_THAT(Warnings("AttribMods/names.vxmod"),
                ElementsAreArray({prefix + "name0000000' not found",
                                  prefix + fmt::format("name{:07}", count - 2) + "' not found",
                                  prefix + binary.front() + "' not found",
                                  prefix + "last line without line end' not found",
                                  // Not in the list: named as the script wrote it.
                                  fmt::format("{}0x{:08x}' not found", prefix,
                                              Sandbox::Crc32("after Ctrl-Z"))}));
}

// ---- integer limits -----------------------------------------------------------------

// One line of a table: the line, and whether it fails.
struct LimitCase {
    std::string line;
    bool fails;
};

TEST_F(HostileInputTest, CountsSubscriptsAndValuesAtEveryIntegerLimit) {
    const std::vector<LimitCase> cases = {
        // Values at and beyond each integer type's limits, in the layout.
        {"update_field car default LU8 0", false},
        {"update_field car default LU8 255", false},
        {"update_field car default LU8 256", true},
        {"update_field car default LU8 -1", true},
        {"update_field car default LI8 127", false},
        {"update_field car default LI8 -128", false},
        {"update_field car default LI8 128", true},
        {"update_field car default LI8 -129", true},
        {"update_field car default LU16 65536", true},
        {"update_field car default LU16 -65536", true},
        {"update_field car default LU16 -1", false},  // wraps around, as UInt32 does
        {"update_field car default LU16 65535", false},
        {"update_field car default LI16 32768", true},
        {"update_field car default LI16 -32769", true},
        {"update_field car default LI16 32767", false},
        {"update_field car default LI16 -32768", false},
        {"update_field car default LU32 4294967296", true},
        {"update_field car default LU32 -4294967296", true},
        {"update_field car default LU32 -1", false},
        {"update_field car default LU32 4294967295", false},
        {"update_field car default LI32 2147483648", true},
        {"update_field car default LI32 -2147483649", true},
        {"update_field car default LI32 2147483647", false},
        {"update_field car default LI32 -2147483648", false},
        {"update_field car default LF 3.4028235e38", false},
        {"update_field car default LF 1e39", true},
        {"update_field car default LF -1e39", true},
        {"update_field car default LAxle Rear 1e39", true},
        {"update_field car default LPart Level 2147483648", true},
        // Subscripts of a three-element array.
        {"update_field car default AI32[0] 1", false},
        {"update_field car default AI32[2] 1", false},
        {"update_field car default AI32[3] 1", true},
        {"update_field car default AI32[-1] 1", true},
        {"update_field car default AI32[65535] 1", true},
        {"update_field car default AI32[2147483647] 1", true},
        {"update_field car default AI32[-2147483648] 1", true},
        {"update_field car default AI32[2147483648] 1", true},
        {"update_field car default AI32[-2147483649] 1", true},
        {"update_field car default AI32[4294967296] 1", true},
        {"update_field car default AI32[99999999999999999999] 1", true},
        // Counts, each on an array of its own.
        {"resize_field car default AU8 0", false},
        {"resize_field car default AI8 65535", false},
        {"update_field car default AI8[65534] 1", false},
        {"update_field car default AI8[65535] 1", true},
        {"resize_field car default AU16 65536", true},
        {"resize_field car default AI16 4294967295", true},
        {"resize_field car default AU32 4294967296", true},
        {"resize_field car default AF 18446744073709551616", true},
        {"resize_field car default AB -0", true},
        {"resize_field car default AT -4294967295", true},
        {"resize_field car default AH32 -1", true},
        {"resize_field car default AH64 007", false},
    };
    std::string script;
    std::vector<int> failing;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        script += cases[i].line + "\n";
        if (cases[i].fails) {
            failing.push_back(static_cast<int>(i + 1));
        }
    }
    Write("limits.vxmod", script);
    Run();

    std::vector<int> failed;
    for (const LineFailure& failure : failures_) {
        failed.push_back(failure.line);
    }
    EXPECT_THAT(failed, ElementsAreArray(failing));
    ExpectCounts("AttribMods/limits.vxmod", static_cast<int>(cases.size() - failing.size()),
                 static_cast<int>(failing.size()));
    // The last accepted value of each field; nothing a refused line wrote.
    EXPECT_EQ(Layout<uint8_t>("LU8"), 255);
    EXPECT_EQ(Layout<int8_t>("LI8"), -128);
    EXPECT_EQ(Layout<uint16_t>("LU16"), 65535);
    EXPECT_EQ(Layout<int16_t>("LI16"), -32768);
    EXPECT_EQ(Layout<uint32_t>("LU32"), 4294967295u);
    EXPECT_EQ(Layout<int32_t>("LI32"), -2147483647 - 1);
    EXPECT_EQ(Layout<float>("LF"), 3.4028235e38f);
    EXPECT_EQ(Default().OwnArray("AU8").count, 0);
    EXPECT_EQ(Default().OwnArray("AI8").count, 65535);
    EXPECT_EQ(Default().OwnArray("AH64").count, 7);
    for (const char* array : {"AU16", "AI16", "AU32", "AF", "AB", "AT", "AH32"}) {
        EXPECT_EQ(Default().OwnArray(array).count, 3) << array;
    }
}

// ---- every type fed every type's value text ----------------------------------------

// The value forms of the README's type table, one for each type, in the
// value form and the member form.
struct ValueText {
    std::string text;
    std::optional<double> number;  // the number the text begins with
};

const std::vector<ValueText>& ValueTexts() {
    static const std::vector<ValueText> texts = {
        {"5", 5},       {"7", 7},         {"7200", 7200},    {"-2", -2},       {"23500", 23500},
        {"64", 64},     {"215.5", 215.5}, {"True", {}},      {"Estate", {}},   {"vexamotors", {}},
        {"estate", {}}, {"\"\"", {}},     {"0x1A2B3C4D", 0}, {"-0.05", -0.05}, {"1.35", 1.35},
    };
    return texts;
}

const std::vector<std::string>& MemberNames() {
    static const std::vector<std::string> names = {
        "Visual", "Collision", "Collision64", "Class",    "Collection",    "X",
        "Y",      "Z",         "W",           "Values",   "Front",         "Rear",
        "Level",  "Rep",       "Cost",        "ClassKey", "DefinitionKey", "Scale"};
    return names;
}

enum class Reads {
    Unsigned,
    Signed,
    EightBitUnsigned,
    EightBitSigned,
    Float,
    Bool,
    Text,
    Name,
    Nothing
};

struct TypeRule {
    std::string field;  // the layout field of the type in fuzz/every-field.json
    Reads value;
    int64_t low = 0;
    int64_t high = 0;
    std::map<std::string, Reads> members;
};

const std::vector<TypeRule>& TypeRules() {
    static const std::vector<TypeRule> rules = {
        {"LU8", Reads::EightBitUnsigned, 0, 255, {}},
        {"LI8", Reads::EightBitSigned, -128, 127, {}},
        {"LU16", Reads::Unsigned, 0, 65535, {}},
        {"LI16", Reads::Signed, -32768, 32767, {}},
        {"LU32", Reads::Unsigned, 0, 4294967295, {}},
        {"LI32", Reads::Signed, -2147483648, 2147483647, {}},
        {"LF", Reads::Float, 0, 0, {}},
        {"LB", Reads::Bool, 0, 0, {}},
        {"LT", Reads::Text, 0, 0, {}},
        {"LH32", Reads::Name, 0, 0, {}},
        {"LH64", Reads::Name, 0, 0, {}},
        {"LKey",
         Reads::Name,
         0,
         0,
         {{"Visual", Reads::Text}, {"Collision", Reads::Name}, {"Collision64", Reads::Name}}},
        {"LRef", Reads::Nothing, 0, 0, {{"Class", Reads::Name}, {"Collection", Reads::Name}}},
        {"LV2", Reads::Nothing, 0, 0, {{"X", Reads::Float}, {"Y", Reads::Float}}},
        {"LV3",
         Reads::Nothing,
         0,
         0,
         {{"X", Reads::Float}, {"Y", Reads::Float}, {"Z", Reads::Float}}},
        {"LV4",
         Reads::Nothing,
         0,
         0,
         {{"X", Reads::Float}, {"Y", Reads::Float}, {"Z", Reads::Float}, {"W", Reads::Float}}},
        {"LM", Reads::Nothing, 0, 0, {{"Values", Reads::Nothing}}},
        {"LAxle", Reads::Nothing, 0, 0, {{"Front", Reads::Float}, {"Rear", Reads::Float}}},
        {"LColl", Reads::Nothing, 0, 0, {}},
        {"LPart",
         Reads::Nothing,
         0,
         0,
         {{"Level", Reads::Signed}, {"Rep", Reads::Float}, {"Cost", Reads::Float}}},
        {"LMod",
         Reads::Nothing,
         0,
         0,
         {{"ClassKey", Reads::Name}, {"DefinitionKey", Reads::Name}, {"Scale", Reads::Float}}},
    };
    return rules;
}

// Whether a value or member that reads this way takes the text. Numbers are
// read from the start of the text; an unsigned 16- or 32-bit value takes a
// leading minus sign and wraps around, an 8-bit one holds the number as
// written or refuses it. A member of a structure is a 32-bit integer.
bool Accepts(Reads reads, const ValueText& value, int64_t low, int64_t high) {
    switch (reads) {
        case Reads::Bool:
        case Reads::Text:
        case Reads::Name:
            return true;
        case Reads::Nothing:
            return false;
        case Reads::Float:
            return value.number.has_value();
        default:
            break;
    }
    if (!value.number) {
        return false;
    }
    const auto whole = static_cast<int64_t>(*value.number);  // toward zero, as read
    const bool wraps = reads == Reads::Unsigned && whole < 0 && -whole <= high;
    return wraps || (whole >= low && whole <= high);
}

TEST_F(HostileInputTest, EveryTypeFedEveryTypesValueText) {
    // Each line sets one layout field of a collection of its own, so a
    // refused line can be checked for leaving that field as its parent has it.
    struct Line {
        const TypeRule* rule;
        std::string collection;
        bool accepted;
    };
    std::vector<Line> lines;
    std::string script;
    const auto add = [&](const TypeRule& rule, const std::string& member, const ValueText& value,
                         bool accepted) {
        const std::string collection = fmt::format("case{}", lines.size());
        script +=
            fmt::format("add_node car default {}\nupdate_field car {} {} {}{}\n", collection,
                        collection, rule.field, member.empty() ? "" : member + " ", value.text);
        lines.push_back({&rule, collection, accepted});
    };
    for (const TypeRule& rule : TypeRules()) {
        for (const ValueText& value : ValueTexts()) {
            add(rule, "", value, Accepts(rule.value, value, rule.low, rule.high));
            for (const std::string& member : MemberNames()) {
                const auto found = rule.members.find(member);
                const Reads reads = found == rule.members.end() ? Reads::Nothing : found->second;
                add(rule, member, value, Accepts(reads, value, -2147483648LL, 2147483647LL));
            }
        }
    }
    Write("every.vxmod", script);
    Run();

    std::set<int> failedLines;
    for (const LineFailure& failure : failures_) {
        failedLines.insert(failure.line);
    }
    const Sandbox::Class car = db_->GetClass("car");
    const Sandbox::Collection parent = Default();
    int accepted = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const int number = static_cast<int>(2 * i + 2);  // the update line
        EXPECT_EQ(failedLines.contains(number), !line.accepted)
            << "line " << number << ": " << line.rule->field << " in " << line.collection;
        accepted += line.accepted ? 1 : 0;
        if (!line.accepted) {
            const Sandbox::Collection own = car.GetCollection(line.collection);
            const uint32_t offset = own.LayoutOffset(line.rule->field);
            const auto next = std::upper_bound(
                car.LayoutFields().begin(), car.LayoutFields().end(), offset,
                [](uint32_t at, const Sandbox::LayoutEntry& e) { return at < e.offset; });
            const uint32_t end = next == car.LayoutFields().end() ? car.LayoutSize() : next->offset;
            EXPECT_EQ(Sandbox::ReadBytes(own.LayoutBytes().data() + offset, end - offset),
                      Sandbox::ReadBytes(parent.LayoutBytes().data() + offset, end - offset))
                << line.rule->field << " in " << line.collection;
        }
    }
    ExpectCounts("AttribMods/every.vxmod", static_cast<int>(lines.size()) + accepted,
                 static_cast<int>(lines.size()) - accepted);
}

}  // namespace
}  // namespace rakor

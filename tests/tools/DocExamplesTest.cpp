// Every example in README.md and docs/modding-guide.md, run as shown. Each
// fenced block says what it is: ```vxmod a script (it runs against the
// example database without a word on standard error; ```vxmod PATH is a
// file a walk-through writes, as it is at that step: the ```console and
// ```log blocks after it in its section run in a game folder as the release
// zip leaves it, with that section's files instead of the example scripts), ```console commands
// after "$ " with exactly the output they print ("..." stands for any
// lines), ```log lines of the example scripts' log, ```game-log lines that
// the plug-in writes in the stand-in game (tests/plugin checks them there,
// word for word, with "$version" for the project's version), ```json a
// database description, ```text the usage lines of --help, ```sh commands for
// contributors (the build itself runs those), ```jsonc VS Code settings (the
// editor tests hold them against the extension's), ```bat the Notepad++ Run
// command (tests/plugin runs it in the zip's game folder). Value examples written inline
// as `... Field value` run against car->default (a span with a quote in it
// abbreviates a message instead).
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "VxmodFixture.h"
#include "loader/Version.h"

namespace {

using namespace vexa::test;

// A file of a walk-through: its path and text.
using File = std::pair<std::string, std::string>;

struct Block {
    std::string where;  // file:line, for messages
    std::string kind;
    std::string path;  // ```vxmod PATH: the file it is
    std::vector<std::string> lines;
    std::vector<File> files;  // the walk-through's files so far in its section
};

const fs::path kSource = VEXA_SOURCE_DIR;

// The files of the modders' zip (the programs aside) and where each lands in
// the game's folder, as the zip is packed.
std::vector<std::pair<fs::path, std::string>> ZipFiles() {
    std::vector<std::pair<fs::path, std::string>> files;
    for (const std::string& line : Lines(ReadFile(VEXA_MODDER_FILES))) {
        const std::size_t tab = line.find('\t');
        files.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return files;
}

void LayOutAsTheZip(const fs::path& folder) {
    for (const auto& [source, destination] : ZipFiles()) {
        fs::create_directories((folder / destination).parent_path());
        fs::copy(source, folder / destination, fs::copy_options::recursive);
    }
}

std::vector<fs::path> Documents() {
    return {kSource / "README.md", kSource / "docs/modding-guide.md"};
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::vector<Block> FencedBlocks() {
    std::vector<Block> blocks;
    for (const fs::path& document : Documents()) {
        const std::vector<std::string> lines = Lines(ReadFile(document));
        std::vector<File> files;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].starts_with("## ")) {
                files.clear();
            }
            if (!lines[i].starts_with("```")) {
                continue;
            }
            const std::string info = lines[i].substr(3);
            const std::size_t blank = info.find(' ');
            Block block{document.filename().string() + ":" + std::to_string(i + 1),
                        info.substr(0, blank),
                        blank == std::string::npos ? "" : info.substr(blank + 1),
                        {},
                        files};
            while (++i < lines.size() && lines[i] != "```") {
                block.lines.push_back(lines[i]);
            }
            if (!block.path.empty()) {
                std::erase_if(files, [&](const File& file) { return file.first == block.path; });
                files.emplace_back(block.path, Joined(block.lines));
            }
            blocks.push_back(std::move(block));
        }
    }
    return blocks;
}

// The message of a log line: without time stamp, logger name and level.
std::string LogMessage(std::string line) {
    for (const std::string prefix : {"[VexaAttribLoader.Tormelin] ", "[info] ", "[warning] "}) {
        if (const std::size_t at = line.find(prefix); at != std::string::npos) {
            line = line.substr(at + prefix.size());
        }
    }
    return line;
}

// Whether the output is the expected lines, where "..." is any lines.
bool Matches(const std::vector<std::string>& expected, std::size_t e,
             const std::vector<std::string>& actual, std::size_t a) {
    if (e == expected.size()) {
        return a == actual.size();
    }
    if (expected[e] == "...") {
        for (std::size_t skip = a; skip <= actual.size(); ++skip) {
            if (Matches(expected, e + 1, actual, skip)) {
                return true;
            }
        }
        return false;
    }
    return a < actual.size() && expected[e] == actual[a] && Matches(expected, e + 1, actual, a + 1);
}

class DocExamplesTest : public VxmodFixture {
protected:
    // The folder a modder has: the example scripts and database, and the
    // snapshot the game writes of them (tests/plugin checks that it does).
    void SetUp() override {
        fs::copy(kSource / "examples/AttribMods", work_.Path() / "AttribMods",
                 fs::copy_options::recursive);
        fs::copy(kSource / "examples/database.json", work_.Path() / "database.json");
        fs::create_directories(work_.Path() / "VexaAttribLoader");
        fs::copy(kSource / "examples/snapshot", work_.Path() / "VexaAttribLoader/snapshot");
    }

    // The folder a block runs in: the modder's, or a walk-through's.
    void Reset(const Block& block) {
        for (const auto& entry : fs::directory_iterator(work_.Path())) {
            fs::remove_all(entry.path());
        }
        if (block.files.empty()) {
            SetUp();
            return;
        }
        // The game's folder as the release zip leaves it, its example script
        // included, with the walk-through's files so far.
        LayOutAsTheZip(work_.Path());
        for (const auto& [path, text] : block.files) {
            Write(path, text);
        }
    }
};

// The anchor a heading gets: lower case, blanks as '-', and of the other
// characters only letters, digits, '-' and '_' kept.
std::string Anchor(std::string_view heading) {
    std::string anchor;
    for (const char c : heading) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '_' || u >= 0x80) {
            anchor += static_cast<char>(std::tolower(u));
        } else if (c == ' ') {
            anchor += '-';
        }
    }
    return anchor;
}

std::vector<std::string> Anchors(const fs::path& document) {
    std::vector<std::string> anchors;
    bool inBlock = false;
    for (const std::string& line : Lines(ReadFile(document))) {
        inBlock = inBlock != line.starts_with("```");
        if (!inBlock && line.starts_with("#")) {
            anchors.push_back(Anchor(line.substr(line.find(' ') + 1)));
        }
    }
    return anchors;
}

// Every link of the README, and of the guide where the zip puts it, leads to
// a file that is there and a heading that it has: the guide a modder reads
// is the zip's, beside none of the project's other files.
TEST_F(DocExamplesTest, LinksLeadToFilesAndHeadingsThatAreThere) {
    const fs::path zip = work_.Path() / "zip";
    LayOutAsTheZip(zip);
    int links = 0;
    for (const fs::path& document :
         {kSource / "README.md", zip / "VexaAttribLoader/modding-guide.md"}) {
        const std::string text = ReadFile(document);
        for (std::size_t at = text.find("]("); at != std::string::npos;
             at = text.find("](", at + 2)) {
            const std::string link = text.substr(at + 2, text.find(')', at) - at - 2);
            if (link.starts_with("http")) {
                continue;
            }
            ++links;
            const std::size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            const fs::path target = file.empty() ? document : document.parent_path() / file;
            ASSERT_TRUE(fs::exists(target)) << document.filename() << ": " << link;
            if (hash != std::string::npos) {
                EXPECT_THAT(Anchors(target), ::testing::Contains(link.substr(hash + 1)))
                    << document.filename() << ": " << link;
            }
        }
    }
    EXPECT_GT(links, 20);
}

TEST_F(DocExamplesTest, EveryBlockIsOfAKindThatIsTested) {
    for (const Block& block : FencedBlocks()) {
        EXPECT_THAT((std::vector<std::string>{"vxmod", "console", "log", "game-log", "json", "text",
                                              "sh", "jsonc", "bat"}),
                    ::testing::Contains(block.kind))
            << block.where;
    }
}

TEST_F(DocExamplesTest, ScriptsRunWithoutAWord) {
    int count = 0;
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "vxmod" || !block.path.empty()) {
            continue;
        }
        ++count;
        Write("example/example.vxmod", Joined(block.lines));
        const Result run = Vxmod("run example");
        EXPECT_EQ(run.status, 0) << block.where;
        EXPECT_EQ(run.err, "") << block.where;
    }
    EXPECT_GT(count, 0);
}

TEST_F(DocExamplesTest, InlineValueExamplesRun) {
    std::string script;
    for (const fs::path& document : Documents()) {
        const std::string text = ReadFile(document);
        for (std::size_t at = text.find('`'); at != std::string::npos;
             at = text.find('`', at + 1)) {
            const std::size_t end = text.find('`', at + 1);
            if (end == std::string::npos) {
                break;
            }
            const std::string span = text.substr(at + 1, end - at - 1);
            // "... Collection 'C'->'N' not found" abbreviates a message, not a line.
            if (span.find('\'') != std::string::npos) {
                at = end;
                continue;
            }
            if (span.starts_with("... ")) {
                script += "update_field car default " + span.substr(4) + "\n";
            } else if (span.starts_with("update_field car default ")) {
                script += span + "\n";
            }
            at = end;
        }
    }
    ASSERT_FALSE(script.empty());
    Write("example/inline.vxmod", script);
    const Result run = Vxmod("run example");
    EXPECT_EQ(run.status, 0) << script;
    EXPECT_EQ(run.err, "") << script;
}

TEST_F(DocExamplesTest, CommandsPrintWhatIsShown) {
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "console") {
            continue;
        }
        Reset(block);
        for (std::size_t i = 0; i < block.lines.size();) {
            const std::string& command = block.lines[i];
            ASSERT_TRUE(command.starts_with("$ vxmod ")) << block.where << ": " << command;
            std::vector<std::string> expected;
            while (++i < block.lines.size() && !block.lines[i].starts_with("$ ")) {
                expected.push_back(block.lines[i]);
            }
            const std::vector<std::string> actual =
                Lines(VxmodMerged(command.substr(std::string("$ vxmod ").size())).out);
            EXPECT_TRUE(Matches(expected, 0, actual, 0))
                << block.where << ": " << command << "\nshown:\n"
                << Joined(expected) << "printed:\n"
                << Joined(actual);
        }
    }
}

TEST_F(DocExamplesTest, LogLinesAreThoseOfTheRunTheyFollow) {
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "log") {
            continue;
        }
        Reset(block);
        Vxmod("run");
        std::vector<std::string> log;
        for (const std::string& line : LogMessages()) {
            log.push_back(LogMessage(line));
        }
        // In the order the log has them, not necessarily next to each other.
        auto from = log.begin();
        for (const std::string& line : block.lines) {
            from = std::find(from, log.end(), LogMessage(line));
            EXPECT_TRUE(from != log.end()) << block.where << ": " << line << "\nlog:\n"
                                           << Joined(log);
        }
    }
}

TEST_F(DocExamplesTest, GameLogLinesAreThoseThePluginTestChecks) {
    const std::string pluginTest = ReadFile(kSource / "tests/plugin/PluginInGameTest.sh");
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "game-log") {
            continue;
        }
        for (const std::string& line : block.lines) {
            // Without the time stamp, which the test cannot know. The
            // documents show the version of their day; the test has it from
            // the build, so the two must agree.
            std::string message = line.substr(line.find("] [") + 2);
            const std::string version = rakor::kProductVersion;
            if (const std::size_t at = message.find(version); at != std::string::npos) {
                message.replace(at, version.size(), "$version");
            }
            // The documents' game folder is the test's "$in", where the test
            // script writes each backslash twice (in double quotes).
            const std::string folder = "C:\\Games\\Tormelin";
            if (message.find(folder) != std::string::npos) {
                std::string inTest;
                for (std::size_t at = 0; at < message.size();) {
                    if (message.compare(at, folder.size(), folder) == 0) {
                        inTest += "$in";
                        at += folder.size();
                    } else {
                        inTest +=
                            message[at] == '\\' ? std::string("\\\\") : std::string(1, message[at]);
                        ++at;
                    }
                }
                message = inTest;
            }
            EXPECT_THAT(pluginTest, ::testing::HasSubstr(message)) << block.where;
        }
    }
}

// The script in the release zip's AttribMods (all comments as it comes) runs
// without a word once the modder removes the "# " before its commands.
TEST_F(DocExamplesTest, ZipExampleScriptRunsOnceItsCommandsAreSwitchedOn) {
    std::string script;
    int commands = 0;
    for (std::string line : Lines(ReadFile(kSource / "examples/example.vxmod"))) {
        for (const char* command : {"add_node ", "update_field ", "resize_field "}) {
            if (line.starts_with(std::string("# ") + command)) {
                line.erase(0, 2);
                ++commands;
            }
        }
        script += line + "\n";
    }
    Write("zip/AttribMods/example.vxmod", script);
    const Result run = Vxmod("run zip");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_GT(commands, 3);
    EXPECT_THAT(LogMessages(),
                ::testing::ElementsAre("[info] [zip/AttribMods/example.vxmod] Script loaded: " +
                                       std::to_string(commands) + " succesful / 0 failed"));
}

TEST_F(DocExamplesTest, DescriptionsLoad) {
    fs::create_directories(work_.Path() / "empty");
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "json") {
            continue;
        }
        Write("example.json", Joined(block.lines));
        const Result run = Vxmod("run --db example.json empty");
        EXPECT_EQ(run.status, 0) << block.where << "\n" << run.err;
    }
}

TEST_F(DocExamplesTest, UsageLinesAreThoseOfTheHelp) {
    std::string help;
    for (const char* topic : {"", "run", "check", "diff", "show", "lsp"}) {
        help += Vxmod(std::string("help ") + topic).out;
    }
    for (const Block& block : FencedBlocks()) {
        if (block.kind != "text") {
            continue;
        }
        for (const std::string& line : block.lines) {
            EXPECT_THAT(help, ::testing::HasSubstr("Usage: " + line)) << block.where;
        }
    }
}

}  // namespace

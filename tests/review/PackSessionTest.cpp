// An editor's pack, checked again from a changed script's start: after any
// sequence of edits, moves of the database and checks cut short, every
// script's findings are those a check of the same texts from the start finds.
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "review/DatabaseSource.h"
#include "review/PackSession.h"
#include "sandbox/Database.h"
#include "support/TempDirectory.h"

namespace vxmod {

void PrintTo(const ScriptFinding& finding, std::ostream* out) {
    *out << finding.line << ":" << finding.word.from << "-" << finding.word.to << " "
         << static_cast<int>(finding.severity) << " " << finding.message;
}

namespace {

namespace fs = std::filesystem;

using Findings = std::map<std::string, std::vector<ScriptFinding>>;

// Lines that make, change and depend on what other lines make and change:
// collections made and used, values set twice, arrays resized and set,
// texts, references, lines that fail.
const std::vector<std::string> kLines = {
    "update_field car default TopSpeed 230",
    "update_field car default TopSpeed 199",
    "update_field car coupe Price 1",
    "add_node car coupe roadster",
    "add_node car roadster speedster",
    "update_field car roadster TopSpeed 250",
    "update_field car speedster Mass 900",
    "resize_field car default GearRatios 8",
    "resize_field car default GearRatios 2",
    "update_field car default GearRatios[7] 0.5",
    "update_field car default DisplayName Estate",
    "update_field car default DisplayName Coupe",
    "update_field car coupe Grip Rear 1.35",
    "update_field engine v8 Torque[1] 400",
    "resize_field engine v8 Torque 1",
    "update_feild car default Mass 1",
    "update_field car default Topspeed 1",
    "copy_node car default coupe wagon",
    "update_field car wagon TopSpeed 210",
    "update_field car default Engine Collection v12",
    "add_node engine v8 v12",
    "update_field car default Badge Visual Wagon",
    "# a comment",
    "",
};

Findings FindingsOf(const PackSession& session) {
    Findings findings;
    for (const PackSession::Script* script : session.Scripts()) {
        findings[script->displayPath] = script->Findings();
    }
    return findings;
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string TextOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + '\n';
    }
    return text;
}

struct Pack {
    vexa::test::TempDirectory game;
    fs::path folder = game.Path() / "AttribMods";

    Pack() {
        fs::copy(fs::path(VEXA_SOURCE_DIR) / "examples" / "AttribMods", folder,
                 fs::copy_options::recursive);
    }
};

TEST(PackSession, ChecksFromAChangedScriptFindWhatACheckFromTheStartFinds) {
    const Pack pack;
    std::mt19937 random(26);
    for (int round = 0; round < 20; ++round) {
        std::map<fs::path, std::string> texts;
        Findings incremental;
        Findings published;
        {
            rakor::Sandbox::Database database;
            std::ostringstream ignored;
            ASSERT_TRUE(LoadDatabase(database, std::nullopt, ignored));
            PackSession session(database, /*exampleDatabase=*/true);
            session.SetScriptFolder(pack.folder);
            ASSERT_TRUE(session.Check({}));
            std::vector<const PackSession::Script*> scripts = session.Scripts();
            ASSERT_EQ(scripts.size(), 5u);
            for (int step = 0; step < 14; ++step) {
                const PackSession::Script& script = *scripts[random() % scripts.size()];
                std::vector<std::string> lines = LinesOf(*script.text);
                const std::size_t at = random() % (lines.size() + 1);
                const std::string& line = kLines[random() % kLines.size()];
                switch (random() % 3) {
                    case 0:
                        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
                        break;
                    case 1:
                        if (at < lines.size()) {
                            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
                        }
                        break;
                    default:
                        if (at < lines.size()) {
                            lines[at] = line;
                        }
                }
                texts[script.path] = TextOf(lines);
                session.SetEditorText(script.path, texts[script.path]);
                // An editor asks where the database stands at some line (for
                // completion, hover), and newer edits cut checks short.
                if (random() % 2 == 0) {
                    const PackSession::Script& asked = *scripts[random() % scripts.size()];
                    session.MoveTo(asked, 1 + static_cast<int>(random() % 12));
                }
                if (random() % 3 == 0) {
                    int calls = static_cast<int>(random() % 3);
                    session.Check([&] { return calls-- <= 0; });
                }
                if (random() % 2 == 0) {
                    ASSERT_TRUE(session.Check({}));
                    // The server publishes what changed after a check, not after every one.
                    if (random() % 2 == 0) {
                        session.TakeChanged();
                    }
                }
            }
            ASSERT_TRUE(session.Check({}));
            incremental = FindingsOf(session);
            // What an editor was last given of each script is what it holds now.
            session.TakeChanged();
            for (const PackSession::Script* script : session.Scripts()) {
                published[script->displayPath] = script->shown;
            }
        }
        rakor::Sandbox::Database database;
        std::ostringstream ignored;
        ASSERT_TRUE(LoadDatabase(database, std::nullopt, ignored));
        PackSession fresh(database, /*exampleDatabase=*/true);
        fresh.SetScriptFolder(pack.folder);
        for (const auto& [path, text] : texts) {
            fresh.SetEditorText(path, text);
        }
        ASSERT_TRUE(fresh.Check({}));
        EXPECT_EQ(FindingsOf(fresh), incremental) << "round " << round;
        EXPECT_EQ(FindingsOf(fresh), published) << "round " << round;
    }
}

}  // namespace
}  // namespace vxmod

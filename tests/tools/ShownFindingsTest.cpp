// What vxmod shows of a pack by default against what --all shows: a few of
// each kind of finding per script, worded as --all words the same finding,
// and a note that counts the rest. On the packs of the whole-run benchmark
// (benchmarks/Workload.h), which have findings of most kinds on thousands of
// lines: a finding whose words were made only because it is shown must read
// as it does when every finding is worded.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "VxmodFixture.h"
#include "Workload.h"

namespace {

using namespace vexa::test;

constexpr std::string_view kScript = "AttribMods/pack.vxmod";

bool IsFinding(const std::string& line) {
    return line.starts_with(kScript) && line.size() > kScript.size() + 1 &&
           line[kScript.size()] == ':' && line[kScript.size() + 1] >= '0' &&
           line[kScript.size() + 1] <= '9';
}

// The count a note "PATH: note: N more warnings like the one on line L are
// not shown (...)" gives; 0 for any other line.
int HiddenBy(const std::string& line) {
    const std::string note = std::string(kScript) + ": note: ";
    if (!line.starts_with(note) || line.find(" more ") == std::string::npos ||
        line.find("--all shows every one") == std::string::npos) {
        return 0;
    }
    return std::stoi(line.substr(note.size()));
}

struct Findings {
    std::vector<std::string> shown;
    int hidden = 0;
};

Findings FindingsIn(const std::string& text) {
    Findings findings;
    for (const std::string& line : Lines(text)) {
        if (IsFinding(line)) {
            findings.shown.push_back(line);
        }
        findings.hidden += HiddenBy(line);
    }
    return findings;
}

// Whether `part` is `whole` with some of its lines left out, in the same order.
bool LeavesOut(const std::vector<std::string>& whole, const std::vector<std::string>& part) {
    auto next = whole.begin();
    for (const std::string& line : part) {
        next = std::find(next, whole.end(), line);
        if (next == whole.end()) {
            return false;
        }
        ++next;
    }
    return true;
}

class ShownFindingsTest : public VxmodFixture {};

TEST_F(ShownFindingsTest, TheFindingsShownReadAsAllShowsThemAndTheNotesCountTheRest) {
    const vexa::bench::DatabaseNames names = vexa::bench::MakeDatabaseNames();
    Write("database.json", vexa::bench::MakeDatabaseJson(names));
    // The whole-run packs, smaller: the mix, the mix with 3.4% failing lines
    // (both with thousands of warnings of a kind), every line failing (an
    // error on each, and each error is shown).
    struct Pack {
        int failingPerThousand;
        bool hidesSome;
    };
    for (const auto [failingPerThousand, hidesSome] :
         {Pack{0, true}, Pack{34, true}, Pack{1000, false}}) {
        Write(std::string(kScript), vexa::bench::MakeScript(names, 20000, failingPerThousand));
        // run writes its findings on standard error, check on standard output.
        for (const std::string command : {"run", "check"}) {
            SCOPED_TRACE(command + ", " + std::to_string(failingPerThousand) + " failing in 1000");
            const Result some = Vxmod(command + " --db database.json");
            const Result all = Vxmod(command + " --db database.json --all");
            ASSERT_EQ(some.status, 1) << some.err;
            EXPECT_EQ(all.status, some.status);
            const Findings shown = FindingsIn(some.out + some.err);
            const Findings every = FindingsIn(all.out + all.err);
            EXPECT_EQ(every.hidden, 0);
            EXPECT_EQ(shown.hidden > 1000, hidesSome) << shown.hidden;
            EXPECT_TRUE(LeavesOut(every.shown, shown.shown));
            EXPECT_EQ(shown.shown.size() + static_cast<std::size_t>(shown.hidden),
                      every.shown.size());
            // The counts of lines, errors and warnings are the same.
            if (command == "run") {
                EXPECT_EQ(some.out, all.out);
            } else {
                EXPECT_EQ(Lines(some.out).back(), Lines(all.out).back());
            }
        }
    }
}

}  // namespace

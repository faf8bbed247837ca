#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "loader/ScriptRunner.h"
#include "sandbox/Database.h"
#include "support/LogCapture.h"
#include "support/TempDirectory.h"

// Field edits end to end: a script is written below "AttribMods" of a fresh
// current directory and run by the script runner against a sandbox database,
// exactly as the game runs it. Tests then read the host's bytes back.
namespace rakor::Attrib::Automation::Testing {

// What one run of one script gave: the runner's counts and the text of each
// failed line, without the log line's prefix.
struct ScriptOutcome {
    RunSummary summary;
    std::vector<std::string> errors;
};

class ScriptTest : public ::testing::Test {
protected:
    // Runs the text as the only script; each call starts a fresh log.
    ScriptOutcome Run(const std::string& script) {
        cwd_.Write("AttribMods/edit.vxmod", script + "\n");
        vexa::test::LogCapture log;
        ScriptRunner runner(log.Logger(), [](const std::string&, const std::string&) {});
        ScriptOutcome outcome{runner.LoadScriptDirectory("AttribMods"), {}};
        const std::string prefix =
            "warning|[AttribMods/edit.vxmod] Caught error executing script line: ";
        for (const std::string& line : log.Lines()) {
            if (line.starts_with(prefix)) {
                outcome.errors.push_back(line.substr(prefix.size()));
            }
        }
        return outcome;
    }

    // The failure messages of a script that is expected to fail every line.
    std::vector<std::string> Errors(const std::string& script) {
        const ScriptOutcome outcome = Run(script);
        EXPECT_EQ(outcome.summary.succeeded, 0) << script;
        return outcome.errors;
    }

    // Runs a script that must succeed on every line.
    void RunClean(const std::string& script) {
        const ScriptOutcome outcome = Run(script);
        EXPECT_EQ(outcome.summary.failed, 0) << script;
        EXPECT_TRUE(outcome.errors.empty()) << script << "\n" << outcome.errors.front();
    }

    vexa::test::TempDirectory cwd_{/*enter=*/true};
    Sandbox::Database db_;
};

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

inline std::vector<uint8_t> Bytes(const void* address, std::size_t size) {
    return Sandbox::ReadBytes(address, size);
}

}  // namespace rakor::Attrib::Automation::Testing

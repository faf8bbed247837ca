// vxmod's review against the loader on random scripts over the every-field
// database: the review reports a line as failed exactly when the loader fails
// it, in the words for the cause the loader gave, and every edit of a line
// that ran reaches the conflict tracking; a finding kept as a value is worded
// later as it was when its line ran.
#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/null_sink.h>

#include "automation/LineTokens.h"
#include "hash/HashResolver.h"
#include "loader/ScriptRunner.h"
#include "review/Diagnostics.h"
#include "review/Finding.h"
#include "review/LineReviewer.h"
#include "review/ScriptReview.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"
#include "support/TempDirectory.h"

namespace vxmod {
namespace {

using rakor::Attrib::Automation::Cause;

// What the loader did with one line, as the runner tells it.
struct Outcome {
    std::string command;
    Cause cause = Cause::None;
    std::string error;  // empty: it succeeded
};

// Passes the walk on to the review, keeping the loader's own outcome of each line.
class Recorder : public rakor::WalkObserver {
public:
    explicit Recorder(ScriptReview& review) : review_(review) {}

    void OrderEntries(std::vector<std::filesystem::directory_entry>& entries) override {
        review_.OrderEntries(entries);
    }
    void LineParsed(const rakor::Attrib::Automation::ParsedLine& line) override {
        review_.LineParsed(line);
    }
    bool ScriptStarting(const rakor::ScriptInfo& script) override {
        return review_.ScriptStarting(script);
    }
    void LineFinished(const rakor::LineRun& line) override {
        outcomes[line.number] = {std::string(line.command->word), line.facts.cause,
                                 line.error != nullptr ? *line.error : std::string()};
        review_.LineFinished(line);
    }
    void ScriptFinished() override { review_.ScriptFinished(); }

    std::map<int, Outcome> outcomes;

private:
    ScriptReview& review_;
};

// Words a line is made of: every field of the database and names beside them.
class Lines {
public:
    Lines(const nlohmann::ordered_json& database, uint32_t seed) : random_(seed) {
        for (const auto& [name, cls] : database["classes"].items()) {
            for (const auto& [field, unused] : cls["fields"].items()) {
                fields_.push_back(field);
            }
        }
    }

    std::string Next() {
        const uint32_t kind = Pick(20);
        if (kind < 12) {
            std::string line =
                "update_field " + Class() + " " + Collection() + " " + Pick(fields_) + Subscript();
            if (Pick(3) == 0) {
                line += " " + Pick(kMembers);
            }
            return line + " " + (Pick(3) == 0 ? "1" : Pick(kValues));
        }
        if (kind < 15) {
            return "resize_field " + Class() + " " + Collection() + " " + Pick(fields_) + " " +
                   Pick(kCounts);
        }
        if (kind < 18) {
            return (Pick(2) == 0 ? "add_node " : "copy_node ") + Class() + " " + Collection() +
                   (kind == 17 ? " ignored " : " ") + "made" + std::to_string(Pick(4));
        }
        return Pick(2) == 0 ? "update_field car default" : "resize_field car default LU8 many x";
    }

private:
    static constexpr const char* kClasses[] = {"car", "engine", "cra", "0xZZ", "0x-1"};
    static constexpr const char* kCollections[] = {"default", "tuned",   "gt",    "v8",
                                                   "v8turbo", "defualt", "made1", "0x123456789"};
    static constexpr const char* kCarCollections[] = {"default", "tuned", "gt"};
    static constexpr const char* kSubscripts[] = {"", "", "", "[0]", "[1]", "[5]", "[-1]", "[x]"};
    static constexpr const char* kMembers[] = {
        "X",     "Y",     "W",      "Front",       "Rear",   "Level", "Cost", "ClassKey",
        "Scale", "Class", "Visual", "Collision64", "Values", "Nope",  "0xZZ"};
    static constexpr const char* kValues[] = {
        "0",     "1",          "-1",         "255",         "256",  "-129",  "65535",
        "65536", "4294967295", "4294967296", "-2147483649", "1.5",  "1e3",   "1e40",
        "-0",    "12abc",      "abc",        "True",        "true", "False", "\"\"",
        "''",    "\"a",        "0x10",       "0xZZ",        "0x-1", "name",  "3.4028235e38"};
    static constexpr const char* kCounts[] = {"0", "2", "5", "70000", "many", "3x", "-1"};

    template <typename T, std::size_t N>
    std::string Pick(const T (&words)[N]) {
        return words[Pick(static_cast<uint32_t>(N))];
    }
    std::string Pick(const std::vector<std::string>& words) {
        return words[Pick(static_cast<uint32_t>(words.size()))];
    }
    uint32_t Pick(uint32_t count) { return static_cast<uint32_t>(random_() % count); }
    std::string Class() { return Pick(6) == 0 ? Pick(kClasses) : "car"; }
    // Mostly names that are there, so that many lines get as far as the value.
    std::string Collection() { return Pick(4) == 0 ? Pick(kCollections) : Pick(kCarCollections); }
    std::string Subscript() { return Pick(kSubscripts); }

    std::mt19937 random_;
    std::vector<std::string> fields_;
};

// Whether the review's sentence for a failed line is the one for the loader's cause.
bool WordedFor(Cause cause, const std::string& said, const std::string& logged) {
    const auto has = [&](std::string_view words) { return said.find(words) != said.npos; };
    switch (cause) {
        case Cause::NoClass:
            return said.starts_with("there is no class '");
        case Cause::NoCollection:
            return said.starts_with("class '") && has("' has no collection '");
        case Cause::NoField:
            return (said.starts_with("neither '") && has("' nor a parent of it holds a field '")) ||
                   has("' has no definition in class '");
        case Cause::UnknownFieldType:
            return has("which the loader cannot write");
        case Cause::NotAnArray:
            return has("is not an array: only arrays can be resized");
        case Cause::TooManyElements:
            return said.starts_with("an array holds at most 65535 elements");
        case Cause::NotResizableHere:
            return has("' inherits '") || has("lies in the class's layout");
        case Cause::SubscriptOutOfRange:
            return has("there is no element [");
        case Cause::ValueNotANumber:
            return has("' is not a number: ");
        case Cause::ValueOutOfRange:
            return has("' is out of range: ") || has("(KQ::Reflection::Float) takes a decimal");
        case Cause::NoTextForm:
            return has("cannot be set from a script") || has("is set one member at a time");
        case Cause::NoMember:
            return has("has no member") || has("cannot be set from a script");
        case Cause::NameNotHexadecimal:
            return has("is not a hexadecimal number") || has("has no member");
        case Cause::NameTooWide:
            return has("does not fit in 32 bits") || has("has no member");
        case Cause::None:
            return false;
        default:
            // The parser's refusals and failures that are no EvaluationError
            // are said in the loader's own words.
            return said == logged;
    }
}

TEST(ReviewProperty, ReportsALineAsFailedExactlyWhenTheLoaderFailsItAndTracksEveryEdit) {
    const auto database = rakor::Sandbox::ReadDescriptionFile(VEXA_EVERY_FIELD_DATABASE);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        vexa::test::TempDirectory cwd(/*enter=*/true);
        Lines lines(database, seed);
        std::vector<std::string> script;
        std::string text;
        for (int i = 0; i < 200; ++i) {
            script.push_back(lines.Next());
            text += script.back() + "\n";
        }
        cwd.Write("AttribMods/a.vxmod", text);

        rakor::Sandbox::Database db;
        rakor::Sandbox::LoadDescription(db, database);
        std::ostringstream out;
        DiagnosticReport report(out);
        // As check --db reviews.
        ScriptReview review({.runLines = true,
                             .checkLines = true,
                             .listPassedBy = true,
                             .explainFailures = true,
                             .rememberHashedTexts = false},
                            report);
        Recorder recorder(review);
        auto log = std::make_shared<spdlog::logger>(
            "review", std::make_shared<spdlog::sinks::null_sink_st>());
        rakor::ScriptRunner(log, nullptr, &recorder).LoadScriptDirectory("AttribMods");

        // The errors the review reported, by line: unlabelled findings.
        std::map<int, std::string> errors;
        std::istringstream said(out.str());
        const std::string prefix = "AttribMods/a.vxmod:";
        for (std::string finding; std::getline(said, finding);) {
            ASSERT_TRUE(finding.starts_with(prefix)) << finding;
            const std::size_t colon = finding.find(": ", prefix.size());
            const std::string message = finding.substr(colon + 2);
            if (!message.starts_with("warning: ") && !message.starts_with("note: ")) {
                const int line = std::stoi(finding.substr(prefix.size()));
                EXPECT_FALSE(errors.contains(line)) << finding;
                errors[line] = message;
            }
        }
        std::size_t edits = 0;
        std::size_t failures = 0;
        for (const auto& [number, outcome] : recorder.outcomes) {
            const std::string& line = script[static_cast<std::size_t>(number - 1)];
            if (outcome.error.empty()) {
                EXPECT_FALSE(errors.contains(number)) << line << "\n" << errors[number];
                EXPECT_EQ(outcome.cause, Cause::None) << line;
                edits += outcome.command == "update_field" || outcome.command == "resize_field";
                continue;
            }
            ++failures;
            ASSERT_TRUE(errors.contains(number)) << line << "\n" << outcome.error;
            EXPECT_TRUE(WordedFor(outcome.cause, errors[number], outcome.error))
                << line << "\ncause " << static_cast<int>(outcome.cause) << ": " << errors[number]
                << "\nlogged: " << outcome.error;
        }
        // The only errors are those of failed lines (and of the lines that never ran).
        for (const auto& [number, message] : errors) {
            if (!recorder.outcomes.contains(number)) {
                EXPECT_TRUE(message.starts_with("unknown command")) << message;
            }
        }
        EXPECT_EQ(review.Conflicts().Edits(), edits);
        // The scripts are worth their while: both outcomes, many times over.
        EXPECT_GT(edits, 10u);
        EXPECT_GT(failures, 20u);
    }
}

// Reviews each line as it runs and keeps every finding as a value, with the
// words it had then and its line's text.
class FindingKeeper : public rakor::WalkObserver {
public:
    struct Kept {
        Finding finding;
        std::string words;
        std::string text;
    };

    bool ScriptStarting(const rakor::ScriptInfo& script) override {
        text_ = script.text;
        return true;
    }
    void LineFinished(const rakor::LineRun& line) override {
        const ReviewedLine reviewed(line);
        const std::string text(line.tokens.Text());
        const Finding of{.line = line.number, .facts = line.facts};
        if (reviewed.Failed()) {
            if (const auto why = reviewer.WhyFailed(reviewed)) {
                Finding failure = of;
                failure.severity = Diagnostic::Severity::Error;
                failure.place = Finding::kWhyFailed;
                kept.push_back({failure, *why, text});
            }
            return;
        }
        reviewer.Review(reviewed, findings_);
        uint8_t place = 0;
        for (const LineFindings::Warning& warning : findings_.Warnings()) {
            Finding found = of;
            found.kind = warning.kind;
            found.place = place++;
            kept.push_back({found, warning.text, text});
        }
    }

    LineReviewer reviewer;
    std::vector<Kept> kept;

private:
    std::string_view text_;
    LineFindings findings_;  // every warning worded
};

TEST(ReviewProperty, AFindingWordedAfterTheRunSaysWhatItSaidWhenItsLineRan) {
    const auto database = rakor::Sandbox::ReadDescriptionFile(VEXA_EVERY_FIELD_DATABASE);
    std::size_t warnings = 0;
    std::size_t failures = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        vexa::test::TempDirectory cwd(/*enter=*/true);
        Lines lines(database, seed);
        std::string text;
        for (int i = 0; i < 200; ++i) {
            text += lines.Next() + "\n";
        }
        cwd.Write("AttribMods/a.vxmod", text);
        rakor::Sandbox::Database db;
        rakor::Sandbox::LoadDescription(db, database);
        FindingKeeper keeper;
        auto log = std::make_shared<spdlog::logger>(
            "review", std::make_shared<spdlog::sinks::null_sink_st>());
        rakor::ScriptRunner(log, nullptr, &keeper).LoadScriptDirectory("AttribMods");

        for (const FindingKeeper::Kept& kept : keeper.kept) {
            // The name probably meant is looked for among the collections
            // there are when it is asked for: lines made more since.
            if (kept.finding.facts.cause == Cause::NoCollection) {
                continue;
            }
            EXPECT_EQ(keeper.reviewer.Words(kept.finding, kept.text), kept.words) << kept.text;
            (kept.finding.place == Finding::kWhyFailed ? failures : warnings) += 1;
        }
    }
    EXPECT_GT(warnings, 50u);
    EXPECT_GT(failures, 100u);
}

}  // namespace
}  // namespace vxmod

#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "loader/ScriptRunner.h"
#include "review/EditTarget.h"
#include "review/ScriptFinding.h"
#include "review/ScriptReview.h"
#include "review/TextLines.h"

namespace vxmod {

// A check stopped halfway because newer edits wait: what it found is stale.
struct CheckStopped {};

// What the review of one script found, each finding placed on the word it
// is about, and what each line set.
struct ScriptResults {
    std::vector<ScriptFinding> findings;
    // The lines that failed, and how.
    std::map<int, LineOutcome> failed;
    // The value each line that ran set.
    std::vector<std::pair<int, EditTarget>> edits;
};

// Stands between the runner and a review: passes the walk on to the review,
// hears the review's findings as they come, and places each on the word of
// its line (by the line's cause, which it takes from the run). Findings
// about other scripts (the whole run's, which come after the last script)
// are kept as they are.
class ScriptRecorder : public rakor::WalkObserver, public FindingSink {
public:
    // The findings kept of one script: a file of a million lines the loader
    // cannot read would otherwise hold a finding for each, and an editor
    // shows the first few thousand as well as all of them.
    static constexpr std::size_t kMostFindings = 5000;

    // `stop`, asked every few thousand lines, cuts a run short (CheckStopped
    // is thrown through the runner).
    ScriptRecorder(ScriptReview& review, std::function<bool()> stop);

    // What the script that ran last left; empty again afterwards.
    ScriptResults TakeResults();
    // Findings about other scripts than the one running (by display path).
    std::vector<Diagnostic> TakeOthers() { return std::exchange(others_, {}); }

    void LineParsed(const rakor::Attrib::Automation::ParsedLine& line) override;
    bool ScriptStarting(const rakor::ScriptInfo& script) override;
    void LineFinished(const rakor::LineRun& line) override;
    void ScriptFinished() override;

    void Found(const Diagnostic& finding) override;
    void Edited(int line, const EditTarget& target) override;

private:
    ScriptReview& review_;
    std::function<bool()> stop_;
    uint32_t lines_ = 0;
    std::string path_;
    std::optional<TextLines> text_;
    ScriptResults results_;
    // Findings beyond the most kept, and the lines they were on.
    std::size_t passedOver_ = 0;
    int firstPassedOver_ = 0;
    int lastPassedOver_ = 0;
    std::vector<Diagnostic> others_;
};

// A finding on its word, for a script whose lines are `text`.
ScriptFinding Placed(const Diagnostic& finding, const TextLines& text,
                     const std::map<int, LineOutcome>& failed);

}  // namespace vxmod

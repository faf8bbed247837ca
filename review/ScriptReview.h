#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loader/ScriptRunner.h"
#include "review/Conflicts.h"
#include "review/Diagnostics.h"
#include "review/FindingGroups.h"
#include "review/LayoutCopies.h"
#include "review/LineCheck.h"
#include "review/LineFindings.h"
#include "review/LineReviewer.h"
#include "review/Progress.h"
#include "review/References.h"

namespace vxmod {

// What a review reports besides the failed lines.
struct ReviewSettings {
    bool runLines = true;          // false: scripts are only read (check without a database)
    bool checkLines = false;       // the database-free checks of every line (check)
    bool listPassedBy = false;     // disabled entries, files named almost like scripts (check)
    bool explainFailures = false;  // a failed line in a modder's words (check --db); else the
                                   // loader's message with a note on what was probably meant
    // Texts that fields keep only as their 64-bit hash, remembered so that a
    // dump of the database shows them (run --dump).
    bool rememberHashedTexts = false;
    // The lines run against the example database built into vxmod, not one
    // the modder named: a missing class says so.
    bool exampleDatabase = false;
    // The one script of the folder to review (by name); empty: all of them.
    std::filesystem::path onlyScript{};
    // Warnings and notes of one kind shown for a script (0: all), and
    // whether only errors are shown.
    int shownOfAKind = 0;
    bool quiet = false;
    // The vxmod show that lists a collection's fields in the same database.
    std::string showCommand = "vxmod show";
};

// Hears the findings of a review one by one, as they are decided, instead of
// as text: a front end that shows them in place (an editor).
class FindingSink {
public:
    virtual ~FindingSink() = default;
    // A finding shown, with its script's display path, line and kind.
    virtual void Found(const Diagnostic& finding) = 0;
    // A line of the script that is running set the value `target`.
    virtual void Edited(int /*line*/, const EditTarget& /*target*/) {}
};

// Follows the loader's own walk and tells a modder what each line does:
// lines that fail and why, lines that run but not as written, values that
// more than one script sets. Folders are visited in the order the game's
// file system lists them.
class ScriptReview : public rakor::WalkObserver {
public:
    // `progress`, if any, hears of every script and line, and is wiped
    // before a finding is written.
    ScriptReview(const ReviewSettings& settings, DiagnosticReport& report,
                 Progress* progress = nullptr);

    void OrderEntries(std::vector<std::filesystem::directory_entry>& entries) override;
    void PassedBy(const std::filesystem::path& path, bool isDirectory) override;
    void WalkProblem(const std::string& displayPath, const std::string& reason) override;
    void LineParsed(const rakor::Attrib::Automation::ParsedLine& line) override;
    bool ScriptStarting(const rakor::ScriptInfo& script) override;
    void LineFinished(const rakor::LineRun& line) override;
    void ScriptFinished() override;

    // Reports what only the whole run tells: values that more than one
    // script set, layout values copied before a later script changed them,
    // names of nothing in references. Call after the run.
    void ReportWholeRun();
    const ConflictTracker& Conflicts() const { return conflicts_; }
    int ScriptsRead() const { return scriptsRead_; }
    // Lines with a word that is no command, which the loader skips without a
    // word, since the last call.
    int TakeSkipped() { return std::exchange(skipped_, 0); }
    // Warnings not shown because only errors are.
    int QuietWarnings() const { return groups_.QuietWarnings(); }

    // Findings go to `sink` from now on, not to the report.
    void ReportTo(FindingSink* sink) { sink_ = sink; }

    // What the review knows of the scripts run so far that a later script's
    // findings depend on: the values they set, the collections they made,
    // the names in references. An editor keeps one for the start of every
    // script, and starts again from there when the script changes.
    struct Checkpoint {
        ConflictTracker::Mark conflicts;
        LayoutCopies layoutCopies;
        References references;
    };
    std::shared_ptr<const Checkpoint> TakeCheckpoint() const;
    // Back to a checkpoint, the database having gone back to the same moment;
    // the checkpoints taken after it are of no use any more.
    void Restore(const Checkpoint& checkpoint);

private:
    // The database-free findings of the lines up to this one, which have no
    // finding of the database's to wait for any more.
    void HoldLineChecksUpTo(int line);
    void HoldLineCheck(std::size_t index);
    // One of many of its kind is counted instead of shown; its words are
    // made only when it is shown (`words` gives them, or none when the
    // finding has nothing to say).
    template <typename Words>
    void HoldWords(int line, Diagnostic::Severity severity, FindingKind kind, Words&& words);
    void Hold(int line, Diagnostic::Severity severity, FindingKind kind, std::string_view message);
    // A finding shown, held for the script's end (or told to the sink).
    void Keep(int line, Diagnostic::Severity severity, FindingKind kind, std::string_view message);
    void Flush();
    // Writes a finding now, unless it is one of many of its kind.
    void Report(const Diagnostic& diagnostic);
    // Writes a finding now.
    void Show(const Diagnostic& diagnostic);

    ReviewSettings settings_;
    DiagnosticReport& report_;
    FindingSink* sink_ = nullptr;
    Progress* progress_;
    FindingGroups groups_;
    ConflictTracker conflicts_;
    LayoutCopies layoutCopies_;
    References references_;
    int scriptsRead_ = 0;
    int skipped_ = 0;

    // The script that is running. Its diagnostics are held back until its
    // end, when the game's warning box has come and gone: they come out after
    // it, in line order.
    std::string path_;
    uint32_t script_ = 0;  // the conflict tracker's number for it
    HeldDiagnostics held_;
    // What the database-free checks found, in line order, from the lines as
    // they were parsed (before the script starts): the database's view of a
    // line takes the place of their warnings, and their errors come first.
    std::vector<LineFinding> lineChecks_;
    std::vector<std::string_view> lineCheckTexts_;  // each one's line, in the script's text
    std::size_t lineChecksHeld_ = 0;

    // The line that ran, in a modder's words.
    LineReviewer reviewer_;
    LineFindings findings_;
    int line_ = 0;  // its number
};

}  // namespace vxmod

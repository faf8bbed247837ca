#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <spdlog/sinks/sink.h>

#include "Conflicts.h"
#include "Diagnostics.h"
#include "LineForecast.h"
#include "LineReading.h"
#include "loader/ScriptRunner.h"

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
};

// Follows the loader's own walk and tells a modder what each line does:
// lines that fail and why, lines that run but not as written, values that
// more than one script sets. Folders are visited in the order the game's
// file system lists them.
class ScriptReview : public rakor::WalkObserver {
public:
    ScriptReview(const ReviewSettings& settings, DiagnosticReport& report);

    void OrderEntries(std::vector<std::filesystem::directory_entry>& entries) override;
    void PassedBy(const std::filesystem::path& path, bool isDirectory) override;
    bool ScriptStarting(const rakor::ScriptInfo& script) override;
    void LineStarting(const rakor::Attrib::Automation::ScriptLine& line) override;
    void LineFinished(const rakor::Attrib::Automation::ScriptLine& line,
                      const std::string* error) override;
    void ScriptFinished() override;

    // A sink for the runner's logger that turns what it logs about the walk
    // itself (a folder it cannot list, a link back to a folder) into warnings.
    std::shared_ptr<spdlog::sinks::sink> WalkProblemSink();

    // Reports the values that more than one script set; call after the run.
    void ReportConflicts();
    const ConflictTracker& Conflicts() const { return conflicts_; }
    int ScriptsRead() const { return scriptsRead_; }

private:
    // The line with this number of the running script, if it has one.
    std::optional<std::string_view> LineText(int number);
    // The database-free findings of the lines up to this one, which have no
    // finding of the database's to wait for any more.
    void HoldLineChecksUpTo(int line);
    void Hold(int line, Diagnostic::Severity severity, std::string_view message);
    void Flush();

    ReviewSettings settings_;
    DiagnosticReport& report_;
    ConflictTracker conflicts_;
    int scriptsRead_ = 0;

    // The script that is running. Its diagnostics are held back until its
    // end, when the game's warning box has come and gone: they come out after
    // it, in line order.
    std::string path_;
    uint32_t script_ = 0;  // the conflict tracker's number for it
    std::string_view text_;
    int cursorLine_ = 1;  // the line that begins at cursorAt_
    std::size_t cursorAt_ = 0;
    HeldDiagnostics held_;
    // What the database-free checks found, by line: the database's view of a
    // line takes the place of their warnings, and their errors come first.
    std::map<int, std::vector<Diagnostic>> lineChecks_;

    // The line that is running, as read and as forecast.
    std::optional<LineReading> reading_;
    LineForecaster forecaster_;
    LineForecast forecast_;
    struct Finding {
        Diagnostic::Severity severity;
        std::string_view message;
    };
    std::vector<Finding> findings_;
};

}  // namespace vxmod

#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
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
    void Add(int line, Diagnostic::Severity severity, std::string message);
    void Flush();

    ReviewSettings settings_;
    DiagnosticReport& report_;
    ConflictTracker conflicts_;
    int scriptsRead_ = 0;

    // The script that is running, its diagnostics kept until its end so that
    // they come out in line order.
    std::string path_;
    std::vector<std::string> lines_;
    std::vector<Diagnostic> pending_;
    // What the database-free checks found, by line: the database's view of a
    // line takes the place of their warnings, and their errors come first.
    std::map<int, std::vector<Diagnostic>> lineChecks_;
    std::optional<LineReading> reading_;
    LineForecast forecast_;
    ForecastMemory forecastMemory_;
};

}  // namespace vxmod

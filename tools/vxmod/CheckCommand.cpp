#include "CheckCommand.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include <fmt/format.h>
#include <spdlog/sinks/null_sink.h>

#include "ExitStatus.h"
#include "RunCommand.h"
#include "ShowCommand.h"
#include "loader/ScriptRunner.h"
#include "review/DatabaseSource.h"
#include "review/Diagnostics.h"
#include "review/Progress.h"
#include "review/ScriptReview.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace fs = std::filesystem;
using rakor::ScriptRunner;
using Severity = Diagnostic::Severity;

namespace {

std::string Plural(int count, std::string_view word) {
    return fmt::format("{} {}{}", count, word, count == 1 ? "" : "s");
}

}  // namespace

int RunCheckCommand(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    DiagnosticReport report(out);
    const std::string display = ScriptRunner::DisplayPath(options.directory);
    if (!IsScriptFolder(options.directory, "check", err)) {
        return ExitStatus::kUnusable;
    }
    // One script is checked in its folder, which is walked for it alone.
    std::error_code error;
    const bool oneScript = !fs::is_directory(options.directory, error);
    const fs::path folder = !oneScript                            ? options.directory
                            : options.directory.has_parent_path() ? options.directory.parent_path()
                                                                  : fs::path(".");
    // Only with a database do the lines run, in a database of vxmod's own:
    // the description file is read, never written.
    std::optional<rakor::Sandbox::Database> database;
    if (options.database) {
        database.emplace();
        if (!LoadDatabase(*database, options.database, err)) {
            return ExitStatus::kUnusable;
        }
    }

    Progress progress(ErrorsGoToTerminal() ? &err : nullptr);
    ScriptReview review({.runLines = database.has_value(),
                         .checkLines = true,
                         .listPassedBy = true,
                         .explainFailures = true,
                         .rememberHashedTexts = false,
                         .onlyScript = oneScript ? options.directory.filename() : fs::path(),
                         .shownOfAKind = options.shown.all ? 0 : kShownOfAKind,
                         .quiet = options.shown.quiet,
                         .showCommand = ShowCommandFor(options.database)},
                        report, &progress);
    if (!oneScript && ScriptRunner::IsDisabled(options.directory)) {
        report.Add({display + "/", 0, Severity::Note,
                    "disabled: the name begins with '!', so the loader skips it"});
    } else {
        // No log file: the review hears of the walk's problems from the runner.
        auto log = std::make_shared<spdlog::logger>(
            rakor::kLoggerName, std::make_shared<spdlog::sinks::null_sink_st>());
        ScriptRunner runner(log, nullptr, &review);
        runner.LoadScriptDirectory(folder);
    }
    if (database) {
        review.ReportWholeRun();
    }
    progress.Clear();
    out << fmt::format("{} checked: {}, {}\n", Plural(review.ScriptsRead(), "script"),
                       Plural(report.Errors(), "error"), Plural(report.Warnings(), "warning"));
    if (options.listConflicts) {
        review.Conflicts().WriteList(out);
    }
    return report.Errors() > 0 ? ExitStatus::kFindings : ExitStatus::kClean;
}

}  // namespace vxmod

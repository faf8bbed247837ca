#include "RunCommand.h"
#include "ShowCommand.h"

#include <ostream>
#include <string>

#include <fmt/format.h>

#include "ExitStatus.h"
#include "host/OutputFile.h"
#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "review/DatabaseSource.h"
#include "review/Diagnostics.h"
#include "review/Progress.h"
#include "review/ScriptReview.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace fs = std::filesystem;

namespace {

// The warning box has no screen here: its caption and text go to the error
// stream, set apart so that they read as one notice.
rakor::WarningNotifier BoxOnStream(std::ostream& err, Progress& progress) {
    return [&err, &progress](const std::string& caption, const std::string& text) {
        progress.Clear();
        err << '[' << caption << "]\n" << Printable(text) << "\n\n";
    };
}

std::string Plural(int count, std::string_view word) {
    return fmt::format("{} {}{}", count, word, count == 1 ? "" : "s");
}

}  // namespace

bool IsScriptFolder(const fs::path& directory, std::string_view command, std::ostream& err) {
    const std::string display = rakor::ScriptRunner::DisplayPath(directory);
    const bool takesScript = command == "check";
    std::error_code error;
    if (!fs::exists(directory, error)) {
        err << fmt::format(
            "vxmod: there is no folder {}'{}': nothing to {} (the game runs the scripts below "
            "AttribMods in its own folder)\n",
            takesScript ? "or script " : "", display, command);
        return false;
    }
    if (!takesScript && !fs::is_directory(directory, error)) {
        err << fmt::format(
            "vxmod: '{}' is a file, not a folder: vxmod {} runs a folder as the game does (every "
            "script below AttribMods); vxmod check '{}' checks the one script\n",
            display, command, display);
        return false;
    }
    return true;
}

std::optional<std::string> WriteOutputFile(const fs::path& file, std::string_view text) {
    std::error_code error;
    if (file.has_parent_path() && !fs::exists(file.parent_path(), error)) {
        fs::create_directories(file.parent_path(), error);
    }
    // A folder that could not be made says so when the file is written.
    return rakor::WriteFileWhole(file, text);
}

int RunRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err) {
    rakor::Sandbox::Database database;
    if (!LoadDatabase(database, options.database, err) ||
        !IsScriptFolder(options.directory, "run", err)) {
        return ExitStatus::kUnusable;
    }
    // A line written for the game's database fails against the example one.
    out << (options.database ? fmt::format("Running against '{}'",
                                           rakor::ScriptRunner::DisplayPath(*options.database))
                             : std::string("Running against the example database built into vxmod "
                                           "(--db FILE runs against another)"))
        << fmt::format("; the log goes to {}.\n", kRunLogFileName);

    DiagnosticReport report(err);
    Progress progress(ErrorsGoToTerminal() ? &err : nullptr);
    // What check finds comes with the run: a modder runs run.
    ScriptReview review({.runLines = true,
                         .checkLines = true,
                         .listPassedBy = true,
                         .explainFailures = false,
                         .rememberHashedTexts = options.dump.has_value(),
                         .exampleDatabase = !options.database,
                         .shownOfAKind = options.shown.all ? 0 : kShownOfAKind,
                         .quiet = options.shown.quiet,
                         .showCommand = ShowCommandFor(options.database)},
                        report, &progress);
    bool anyFailed = false;
    {
        // Created here, not at start-up, so that --help and check leave no
        // log behind; destroyed at the end of the block, which flushes it.
        const rakor::LoaderLog log = rakor::CreateLoaderLog(fs::path(".") / kRunLogFileName);
        rakor::ScriptRunner runner(log.logger, BoxOnStream(err, progress), &review, log.status);
        for (int pass = 1; pass <= options.passes; ++pass) {
            const rakor::RunSummary summary = runner.LoadScriptDirectory(options.directory);
            anyFailed = anyFailed || summary.failed > 0 || summary.notRun > 0;
            const int skipped = review.TakeSkipped();
            progress.Clear();
            out << fmt::format(
                "{}{}{}: {} succeeded, {} failed{}\n",
                options.passes > 1 ? fmt::format("pass {}: ", pass) : "",
                Plural(summary.scripts, "script"),
                summary.notRun > 0 ? fmt::format(" ({} not run)", summary.notRun) : "",
                Plural(summary.succeeded, "line"), summary.failed,
                skipped > 0 ? fmt::format(", {} skipped", skipped) : "");
        }
    }
    review.ReportWholeRun();
    if (options.listConflicts) {
        review.Conflicts().WriteList(out);
    } else if (const std::size_t conflicts = review.Conflicts().Count(); conflicts > 0) {
        out << fmt::format("{} between scripts (vxmod run --conflicts lists them)\n",
                           Plural(static_cast<int>(conflicts), "conflict"));
    }
    if (const int hidden = review.QuietWarnings(); hidden > 0) {
        out << fmt::format("{} not shown (without --quiet they are)\n", Plural(hidden, "warning"));
    }

    // The game would have crashed or corrupted itself on these; the sandbox
    // refused them. They mean a fault in the loader, not in the scripts.
    for (const std::string& complaint : database.Complaints()) {
        err << "vxmod: the host refused a request from the loader: " << complaint << '\n';
    }

    if (options.dump) {
        const std::optional<std::string> text = DescriptionText(database, err);
        if (!text) {
            return ExitStatus::kUnusable;
        }
        if (const auto why = WriteOutputFile(*options.dump, *text)) {
            err << fmt::format("vxmod: cannot write the dump file '{}': {}\n",
                               rakor::ScriptRunner::DisplayPath(*options.dump), *why);
            return ExitStatus::kUnusable;
        }
    }
    // A line the loader skips without a word is an error as much as one it fails.
    return anyFailed || report.Errors() > 0 ? ExitStatus::kFindings : ExitStatus::kClean;
}

}  // namespace vxmod

#include "RunCommand.h"

#include <exception>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "Diagnostics.h"
#include "ExampleDatabase.h"
#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

namespace vxmod {
namespace fs = std::filesystem;
namespace sandbox = rakor::Sandbox;

namespace {

constexpr int kExitFailedLine = 1;
constexpr int kExitUnusable = 2;
constexpr const char* kExampleName = "the built-in example database";

std::string SourceName(const RunOptions& options) {
    return options.database
               ? fmt::format("'{}'", rakor::ScriptRunner::DisplayPath(*options.database))
               : std::string(kExampleName);
}

// Where in the description a problem lies, for the message; the whole
// document when the pointer is empty.
std::string Location(const std::string& pointer) {
    return pointer.empty() ? "the document" : pointer;
}

// Descriptions keep the file's key order: layout fields are placed in it.
using Description = nlohmann::ordered_json;

Description ReadDescription(const RunOptions& options) {
    if (options.database) {
        return sandbox::ReadDescriptionFile(*options.database);
    }
    return Description::parse(kExampleDatabaseJson);
}

// The warning box has no screen here: its caption and text go to the error
// stream, set apart so that they read as one notice.
rakor::WarningNotifier BoxOnStream(std::ostream& err) {
    return [&err](const std::string& caption, const std::string& text) {
        err << '[' << caption << "]\n" << text << "\n\n";
    };
}

bool WriteDump(const sandbox::Database& database, const fs::path& file, std::ostream& err) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << sandbox::DumpDescription(database).dump(2) << '\n';
    out.close();
    if (!out) {
        err << fmt::format("vxmod: cannot write the dump file '{}'\n",
                           rakor::ScriptRunner::DisplayPath(file));
        return false;
    }
    return true;
}

}  // namespace

int RunRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err) {
    sandbox::Database database;
    try {
        sandbox::LoadDescription(database, ReadDescription(options));
    } catch (const sandbox::DescriptionError& error) {
        err << fmt::format("vxmod: cannot use {}: at {}: {}\n", SourceName(options),
                           Location(error.Pointer()), error.what());
        return kExitUnusable;
    } catch (const std::exception& error) {
        err << fmt::format("vxmod: cannot use {}: {}\n", SourceName(options), error.what());
        return kExitUnusable;
    }

    bool anyFailed = false;
    {
        // Created here, not at start-up, so that --help and check leave no
        // log behind; destroyed at the end of the block, which flushes it.
        rakor::ScriptRunner runner(rakor::CreateLoaderLogger(fs::path(".") / rakor::kLogFileName),
                                   BoxOnStream(err));
        for (int pass = 1; pass <= options.passes; ++pass) {
            const rakor::RunSummary summary = runner.LoadScriptDirectory(options.directory);
            for (const rakor::LineFailure& failure : summary.failures) {
                WriteDiagnostic(err, {failure.displayPath, failure.line,
                                      Diagnostic::Severity::Error, failure.message});
            }
            anyFailed = anyFailed || summary.failed > 0;
            out << fmt::format("{}{} script{}: {} line{} succeeded, {} failed\n",
                               options.passes > 1 ? fmt::format("pass {}: ", pass) : "",
                               summary.scripts, summary.scripts == 1 ? "" : "s", summary.succeeded,
                               summary.succeeded == 1 ? "" : "s", summary.failed);
        }
    }

    // The game would have crashed or corrupted itself on these; the sandbox
    // refused them. They mean a fault in the loader, not in the scripts.
    for (const std::string& complaint : database.Complaints()) {
        err << "vxmod: the host refused a request from the loader: " << complaint << '\n';
    }

    if (options.dump && !WriteDump(database, *options.dump, err)) {
        return kExitUnusable;
    }
    return anyFailed ? kExitFailedLine : 0;
}

}  // namespace vxmod

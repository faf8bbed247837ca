#include "DiffCommand.h"

#include <optional>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "ClassDiff.h"
#include "DiffScript.h"
#include "ExitStatus.h"
#include "RunCommand.h"
#include "host/OutputFile.h"
#include "loader/ScriptRunner.h"
#include "review/DatabaseSource.h"
#include "sandbox/DatabaseDescription.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;

namespace {

// Both databases in the dump's normal form, where equal databases are equal
// documents. Built one after the other: only one sandbox database can live.
std::optional<Json> NormalForm(const std::filesystem::path& file, std::ostream& err) {
    sandbox::Database database;
    if (!LoadDatabase(database, file, err)) {
        return std::nullopt;
    }
    return sandbox::DumpDescription(database);
}

}  // namespace

int RunDiffCommand(const DiffOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<Json> before = NormalForm(options.before, err);
    const std::optional<Json> after = before ? NormalForm(options.after, err) : std::nullopt;
    if (!after) {
        return ExitStatus::kUnusable;
    }
    DiffScript writer;
    const Json& beforeClasses = (*before)["classes"];
    const Json& afterClasses = (*after)["classes"];
    const MemberIndex beforeIndex = IndexOf(beforeClasses);
    const MemberIndex afterIndex = IndexOf(afterClasses);
    for (const auto& [name, cls] : beforeClasses.items()) {
        if (!afterIndex.contains(name)) {
            writer.Cannot(fmt::format("remove the class '{}'", name));
        }
    }
    for (const auto& [name, cls] : afterClasses.items()) {
        const auto was = beforeIndex.find(name);
        if (was == beforeIndex.end()) {
            writer.Cannot(fmt::format("add the class '{}'", name));
            continue;
        }
        ClassDiff(name, *was->second, cls, writer).Write();
    }

    const std::string script = writer.Text(rakor::ScriptRunner::DisplayPath(options.before),
                                           rakor::ScriptRunner::DisplayPath(options.after));
    if (options.output) {
        if (const auto why = WriteOutputFile(*options.output, script)) {
            err << fmt::format("vxmod: cannot write '{}': {}\n",
                               rakor::ScriptRunner::DisplayPath(*options.output), *why);
            return ExitStatus::kUnusable;
        }
    } else {
        out << script;
    }
    for (const std::string& what : writer.CannotList()) {
        err << "vxmod: a script cannot " << what << '\n';
    }
    return writer.CannotList().empty() ? ExitStatus::kClean : ExitStatus::kFindings;
}

}  // namespace vxmod

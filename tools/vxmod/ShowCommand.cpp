#include "ShowCommand.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include <fmt/format.h>
#include <spdlog/sinks/null_sink.h>

#include "ExitStatus.h"
#include "loader/ScriptRunner.h"
#include "review/CollectionFields.h"
#include "review/DatabaseSource.h"
#include "review/Diagnostics.h"
#include "review/WindowsOrder.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace fs = std::filesystem;
using rakor::ScriptRunner;

namespace {

// Runs the scripts in the order the game's file system lists them, as run does.
class InTheGamesOrder : public rakor::WalkObserver {
public:
    void OrderEntries(std::vector<fs::directory_entry>& entries) override {
        SortAsWindowsLists(entries);
    }
};

std::string Plural(int count, std::string_view word) {
    return fmt::format("{} {}{}", count, word, count == 1 ? "" : "s");
}

// The scripts below the folder, run against the database as the game runs
// them, without a log or a box; none when they are not to run or there is
// no folder.
std::optional<rakor::RunSummary> RunScripts(const ShowOptions& options) {
    std::error_code error;
    if (options.noScripts || !fs::is_directory(options.directory, error)) {
        return std::nullopt;
    }
    auto log = std::make_shared<spdlog::logger>(rakor::kLoggerName,
                                                std::make_shared<spdlog::sinks::null_sink_st>());
    InTheGamesOrder order;
    ScriptRunner runner(log, nullptr, &order);
    return runner.LoadScriptDirectory(options.directory);
}

// Which database is shown, and what the scripts did to it.
std::string SourceLine(const ShowOptions& options, const std::optional<rakor::RunSummary>& run) {
    const std::string database =
        options.database ? fmt::format("'{}'", ScriptRunner::DisplayPath(*options.database))
                         : std::string(
                               "The example database built into vxmod (--db FILE shows "
                               "another)");
    const std::string folder = ScriptRunner::DisplayPath(options.directory);
    if (options.noScripts) {
        return database + ", before any script runs.\n";
    }
    if (!run) {
        return fmt::format("{}; there is no folder '{}', so no script ran.\n", database, folder);
    }
    return fmt::format("{}, as the scripts below {} leave it: {}, {} succeeded, {} failed.\n",
                       database, folder, Plural(run->scripts, "script"),
                       Plural(run->succeeded, "line"), run->failed);
}

std::string Quoted(std::string_view name) {
    return fmt::format("'{}'", name);
}

// A collection of another class is named with its class.
std::string CollectionName(const std::string& name, const std::string& className) {
    return className.empty() ? Quoted(name) : fmt::format("'{}'->'{}'", className, name);
}

std::string HeldBy(const CollectionField& field) {
    return (field.heldItself ? std::string("itself")
                             : CollectionName(field.holder, field.holderClass)) +
           (field.inLayout ? ", in the layout" : ", an own entry");
}

std::string InANewCollection(const CollectionField& field) {
    if (field.newCollectionHoldsIt) {
        return "holds a copy";
    }
    return "inherits it from " + CollectionName(field.holder, field.holderClass);
}

std::string ValueOf(const CollectionField& field) {
    std::string value =
        field.value ? Printable(*field.value) : std::string("(none: its entry points nowhere)");
    if (!field.settable) {
        value += " (no script line can set it)";
    }
    return value;
}

// Columns padded to their widest cell; the last one is not.
void WriteTable(std::ostream& out, const std::vector<std::array<std::string, 5>>& rows) {
    std::array<std::size_t, 5> widths{};
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column + 1 < row.size(); ++column) {
            line += row[column];
            line.append(widths[column] - row[column].size() + 2, ' ');
        }
        line += row.back();
        out << line << '\n';
    }
}

void WriteFields(std::ostream& out, const CollectionFields& found) {
    const std::string collection = Printable(found.collection);
    int heldItself = 0;
    int layout = 0;
    std::vector<std::array<std::string, 5>> rows = {
        {"Field", "Type", "Held by", "A collection made from it", "Value"}};
    for (const CollectionField& field : found.fields) {
        heldItself += field.heldItself ? 1 : 0;
        layout += field.newCollectionHoldsIt ? 1 : 0;
        rows.push_back({Printable(field.name), field.typeName + (field.array ? "[]" : ""),
                        Printable(HeldBy(field)), Printable(InANewCollection(field)),
                        ValueOf(field)});
    }
    out << fmt::format(
        "'{}'->'{}', {}, reaches {} and holds {} of them itself:\n", Printable(found.className),
        collection,
        found.parent ? "a child of " + Printable(CollectionName(*found.parent, found.parentClass))
                     : std::string("a collection without parent"),
        Plural(static_cast<int>(found.fields.size()), "field"), heldItself);
    WriteTable(out, rows);
    if (!found.notFound.empty()) {
        std::string names;
        for (const std::string& name : found.notFound) {
            names += (names.empty() ? "'" : ", '") + Printable(name) + "'";
        }
        out << fmt::format(
            "Not found from '{}' (neither it nor a parent holds them, or the loader cannot write "
            "their type; a line that names them fails): {}\n",
            collection, names);
    }
    // The answer to what a modder asks when a new model will not take its
    // own values.
    const int entries = heldItself - layout;
    out << fmt::format(
        "'{}' holds itself the {} of the class layout, which every collection of '{}' holds, "
        "{}.\n",
        collection, Plural(layout, "field"), Printable(found.className),
        entries == 0 ? std::string("and no other: the game gave it no entry of its own")
                     : fmt::format("and {} that the game gave it entries of its own for",
                                   Plural(entries, "field")));
    out << fmt::format(
        "A collection made from it (add_node {} {} NEW) holds its own copy of {} and inherits "
        "the rest: no script line can give a collection an entry of its own, so a line that "
        "sets an inherited field changes it where it is held, for every collection that "
        "inherits it from there.\n",
        Printable(found.className), collection,
        layout == 0 ? std::string("no field")
                    : fmt::format("the {}", Plural(layout, "layout field")));
}

}  // namespace

std::string ShowCommandFor(const std::optional<fs::path>& database) {
    if (!database) {
        return "vxmod show";
    }
    const std::string path = ScriptRunner::DisplayPath(*database);
    return path.find(' ') == std::string::npos ? "vxmod show --db " + path
                                               : "vxmod show --db \"" + path + '"';
}

int RunShowCommand(const ShowOptions& options, std::ostream& out, std::ostream& err) {
    rakor::Sandbox::Database database;
    if (!LoadDatabase(database, options.database, err)) {
        return ExitStatus::kUnusable;
    }
    out << SourceLine(options, RunScripts(options));
    const auto found = FieldsOfCollection(database, options.className, options.collection);
    if (const auto* missing = std::get_if<NoSuchCollection>(&found)) {
        err << "vxmod: " << Printable(missing->problem) << '\n';
        return ExitStatus::kFindings;
    }
    WriteFields(out, std::get<CollectionFields>(found));
    return ExitStatus::kClean;
}

}  // namespace vxmod

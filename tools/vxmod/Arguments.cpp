#include "Arguments.h"

#include <charconv>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "RunCommand.h"
#include "review/NameParts.h"

namespace vxmod {
namespace {

constexpr const char* kCommandList = "run, check, diff, show and lsp";

bool IsHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

bool IsCommand(const std::string& word) {
    return word == "run" || word == "check" || word == "diff" || word == "show" || word == "lsp";
}

// "--passes" with the whole text in view: CLI11's own range check would call
// "two" a number out of range.
std::string CheckPasses(const std::string& text) {
    int passes = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, passes);
    if (error != std::errc() || stop != end || passes < 1 || passes > kMaxPasses) {
        return fmt::format("wants a whole number from 1 to {}, not '{}'", kMaxPasses, text);
    }
    return {};
}

void AddFolder(CLI::App& app, std::filesystem::path& directory) {
    app.add_option("DIR", directory)->check([](const std::string& folder) {
        return folder.empty() ? std::string("the script folder name is empty") : std::string();
    });
}

void AddShown(CLI::App& app, ShownFindings& shown) {
    app.add_flag("-q,--quiet", shown.quiet);
    app.add_flag("--all", shown.all);
}

// An option the command does not have, with the one probably meant: CLI11
// would only call it an argument it did not expect.
void CheckOptionNames(const CLI::App& app, const std::string& command,
                      std::span<const std::string> arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            return;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            continue;
        }
        const std::string name = argument.substr(0, argument.find('='));
        if (const CLI::Option* option = app.get_option_no_throw(name)) {
            // Its value may begin with "-" too.
            const bool takesValue = option->get_type_size() != 0 && name == argument;
            i += takesValue ? 1 : 0;
            continue;
        }
        std::vector<std::string> names;
        for (const CLI::Option* option : app.get_options()) {
            for (const std::string& longName : option->get_lnames()) {
                names.push_back("--" + longName);
            }
        }
        throw UsageError(command, fmt::format("unknown option '{}' for 'vxmod {}'{}", name, command,
                                              DidYouMean(MeantNames(name, names))));
    }
}

// One command's options, read by CLI11. A folder that begins with "-" can be
// named after "--"; "--name=VALUE" works as well as "--name VALUE".
void DefineCommand(CLI::App& app, Invocation& invocation, const std::string& command) {
    if (command == "run") {
        RunOptions& run = invocation.run;
        app.add_option("--db", run.database)->type_name("FILE");
        app.add_option("--dump", run.dump)->type_name("FILE");
        app.add_option("--passes", run.passes)
            ->type_name("N")
            ->check(CLI::Validator(CheckPasses, "N", "passes"));
        app.add_flag("--conflicts", run.listConflicts);
        AddShown(app, run.shown);
        AddFolder(app, run.directory);
    } else if (command == "check") {
        CheckOptions& check = invocation.check;
        app.add_option("--db", check.database)->type_name("FILE");
        app.add_flag("--conflicts", check.listConflicts);
        AddShown(app, check.shown);
        AddFolder(app, check.directory);
    } else if (command == "show") {
        ShowOptions& show = invocation.show;
        app.add_option("--db", show.database)->type_name("FILE");
        app.add_flag("--no-scripts", show.noScripts);
        app.add_option("CLASS", show.className)->required();
        app.add_option("COLLECTION", show.collection)->required();
        AddFolder(app, show.directory);
    } else if (command == "lsp") {
        app.add_option("--db", invocation.lsp.database)->type_name("FILE");
        // Editors' language clients name the transport; stdio is the only one.
        app.add_flag("--stdio");
    } else {
        DiffOptions& diff = invocation.diff;
        app.add_option("BEFORE", diff.before)->required();
        app.add_option("AFTER", diff.after)->required();
        app.add_option("-o,--output", diff.output)->type_name("FILE");
    }
}

Invocation ParseCommand(const std::string& command, std::span<const std::string> arguments) {
    Invocation invocation;
    invocation.action = command == "run"     ? Invocation::Action::Run
                        : command == "check" ? Invocation::Action::Check
                        : command == "show"  ? Invocation::Action::Show
                        : command == "lsp"   ? Invocation::Action::Lsp
                                             : Invocation::Action::Diff;
    CLI::App app("", "vxmod " + command);
    DefineCommand(app, invocation, command);
    CheckOptionNames(app, command, arguments);
    // CLI11 takes the arguments last one first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        invocation.action = Invocation::Action::ShowHelp;
        invocation.helpTopic = command;
    } catch (const CLI::ParseError& error) {
        throw UsageError(command, error.what());
    }
    if (invocation.action == Invocation::Action::Check && invocation.check.listConflicts &&
        !invocation.check.database) {
        throw UsageError(command,
                         "--conflicts needs --db: where a value lands depends on the "
                         "database");
    }
    return invocation;
}

}  // namespace

Invocation ParseArguments(std::span<const std::string> arguments) {
    if (arguments.empty()) {
        throw UsageError("", "no command given");
    }
    const std::string& first = arguments.front();
    const auto rest = arguments.subspan(1);
    if (IsHelp(first) || first == "help") {
        const std::string topic = rest.empty() ? std::string() : rest.front();
        if (!topic.empty() && !IsCommand(topic)) {
            throw UsageError(
                "", fmt::format("no help on '{}': the commands are {}", topic, kCommandList));
        }
        Invocation invocation;
        invocation.helpTopic = topic;
        return invocation;
    }
    if (first == "--version") {
        Invocation invocation;
        invocation.action = Invocation::Action::ShowVersion;
        return invocation;
    }
    if (IsCommand(first)) {
        return ParseCommand(first, rest);
    }
    if (first.starts_with("-")) {
        const std::vector<std::string> options = {"--help", "--version"};
        throw UsageError("", fmt::format("unknown option '{}'{}", first,
                                         DidYouMean(MeantNames(first, options))));
    }
    const std::vector<std::string> commands = {"run", "check", "diff", "show", "lsp"};
    const std::vector<std::string> meant = MeantNames(first, commands);
    throw UsageError(
        "", meant.empty()
                ? fmt::format("unknown command '{}': the commands are {}", first, kCommandList)
                : fmt::format("unknown command '{}'{}", first, DidYouMean(meant)));
}

std::string HelpText(const std::string& topic) {
    if (topic == "run") {
        return fmt::format(
            R"(Usage: vxmod run [--db FILE] [--dump FILE] [--passes N] [--conflicts] [-q] [--all] [DIR]

Runs the mod scripts below DIR (default: AttribMods) exactly as the loader
does in the game, against a database built from a description file. Folders
are listed in the order the game's file system (NTFS) lists them, so that
the script that runs last here is the one that runs last in the game.

  --db FILE     the database description to build (default: the example
                database built into vxmod)
  --dump FILE   after the run, write the database to FILE in the
                description format
  --passes N    run the whole folder N times in one process, as the game
                does when it passes the patched call more than once
                (1 to {}, default: 1)
  --conflicts   list every field that scripts set differently, and which
                value wins
  -q, --quiet   show failed lines and other errors only
  --all         show every warning and note, not only the first {} of a
                kind in each script
  -h, --help    show this text

The game's own lines are written to ./{} (the game's log is left as it is),
and the hash list is read from ./Qzr/VLTHashes.txt when it exists.
The warning box of a script with errors is written to standard error, and so
is a line PATH:LINE: MESSAGE for every failed script line, with notes on
what was probably meant; for every line the loader skips without a word;
and a warning for what runs but probably not as meant: a value the game
reads differently from how it is written, a field that a later script sets
again, a file named almost like a script. Runs that take a while show their
progress on a terminal.

Exit status: 0 when every line succeeded, 1 when a line failed or was
skipped, 2 for a usage error, a folder that does not exist, or a database
file that cannot be used.
)",
            kMaxPasses, kShownOfAKind, kRunLogFileName);
    }
    if (topic == "check") {
        return fmt::format(
            R"(Usage: vxmod check [--db FILE] [--conflicts] [-q] [--all] [DIR | SCRIPT]

Reads every script below DIR (default: AttribMods), or the one SCRIPT, as
the loader would and reports what the loader would ignore or reject: unknown
command words, lines with too few arguments, names and subscripts that
cannot be converted, files saved as UTF-16, and files that look like scripts
but do not run. Each finding is one line PATH:LINE: MESSAGE; warnings say
"warning:".

  --db FILE     also check the scripts against this database description,
                without changing the file: classes, collections (counting
                those that earlier add_node lines make), fields, members and
                array subscripts, with the names that were probably meant,
                and values that the game reads differently from how they
                are written
  --conflicts   with --db: list every field that scripts set differently
  -q, --quiet   show errors only
  --all         show every warning and note, not only the first {} of a
                kind in each script
  -h, --help    show this text

Exit status: 1 when an error was found, else 0 (warnings alone give 0); 2 for
a usage error, a folder or script that does not exist, or a database file
that cannot be used.
)",
            kShownOfAKind);
    }
    if (topic == "diff") {
        return R"(Usage: vxmod diff [-o FILE] BEFORE AFTER

Writes the edits between two database descriptions (or dumps) as a .vxmod
script that turns BEFORE into AFTER: new collections, values, members, array
elements and array sizes. Run it with "vxmod run --db BEFORE" and the dump is
AFTER's. What a script cannot do (remove a collection or a value, give a
collection a value of its own that it now inherits, change a field's type)
is listed on standard error and as comments in the script.

  -o, --output FILE   write the script to FILE (default: standard output)
  -h, --help          show this text

Exit status: 0 when the script makes every change, 1 when some change
cannot be made by a script, 2 for a usage error or a file that cannot be
used.
)";
    }
    if (topic == "show") {
        return R"(Usage: vxmod show [--db FILE] [--no-scripts] CLASS COLLECTION [DIR]

Lists every field that a line naming COLLECTION reaches: its type, its
value, whether COLLECTION holds it itself or inherits it (and from which
collection), and whether a new collection made from COLLECTION (add_node
CLASS COLLECTION NEW) holds its own copy or inherits it. The database is
the one the scripts below DIR (default: AttribMods) leave, as vxmod run
would leave it, so collections that add_node lines make are there too; the
file is only read, and no log is written.

  --db FILE       the database description to build (default: the example
                  database built into vxmod)
  --no-scripts    the database as it is before any script runs
  -h, --help      show this text

Exit status: 0 when the collection is there, 1 when it is not, 2 for a
usage error, a folder that does not exist, or a database file that cannot
be used.
)";
    }
    if (topic == "lsp") {
        return R"(Usage: vxmod lsp [--db FILE]

A language server for editors (Language Server Protocol, on standard input
and output): every script of the pack checked as you type, in the order the
game runs them, with what vxmod run finds on each word; completion of
commands and of the names of the database; hover with a field's type and
values; quick fixes for names that were probably meant; go to definition
and references of collections; document symbols.

The workspace is the game's folder or its AttribMods folder. The database:
  --db FILE     this database description
without it, the editor's initialization option "database", else the
snapshot VexaAttribLoader/snapshot/before.json in the game's folder when it
is there, else the example database built into vxmod. A message at the
start, and the source of every diagnostic, say which.

The server only reads: it writes no script, log or other file.
  -h, --help    show this text
)";
    }
    return R"(Usage: vxmod COMMAND [OPTIONS] [DIR]

Runs and checks mod scripts (.vxmod) without the game.

Commands:
  run     run the scripts against a described database, with the game's log
  check   find the mistakes in scripts that the loader silently ignores
  diff    write the changes between two databases as a script
  show    list what a collection holds itself, what it inherits, and what a
          new collection made from it can hold
  lsp     serve editors: checks, completion and hover as you type

Options:
  -h, --help    show this text
  --version     show the version

"vxmod COMMAND --help" describes a command and its options. DIR is the
script folder, AttribMods in the current folder by default.
)";
}

}  // namespace vxmod

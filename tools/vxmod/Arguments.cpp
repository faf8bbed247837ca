#include "Arguments.h"

#include <charconv>

#include <fmt/format.h>

namespace vxmod {
namespace {

constexpr int kMaxPasses = 1000;

Invocation Help(std::string topic) {
    Invocation invocation;
    invocation.action = Invocation::Action::ShowHelp;
    invocation.helpTopic = std::move(topic);
    return invocation;
}

Invocation WithAction(Invocation::Action action) {
    Invocation invocation;
    invocation.action = action;
    return invocation;
}

bool IsHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

int ReadPasses(const std::string& text) {
    int passes = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, passes);
    if (error != std::errc() || stop != end || passes < 1 || passes > kMaxPasses) {
        throw UsageError("run", fmt::format("--passes wants a whole number from 1 to {}, not '{}'",
                                            kMaxPasses, text));
    }
    return passes;
}

// Walks the arguments of one command: options with a value written as
// "--name VALUE" or "--name=VALUE", and positional arguments; "--" ends the
// options, so a folder that begins with "-" can be named.
class ArgumentCursor {
public:
    ArgumentCursor(std::string command, std::span<const std::string> arguments)
        : command_(std::move(command)), arguments_(arguments) {}

    bool Done() const { return next_ == arguments_.size(); }

    // The next argument; sets `option` and `inlineValue` when it is an option.
    std::string Take() {
        std::string argument = arguments_[next_++];
        option_.clear();
        inlineValue_.reset();
        if (!optionsEnded_ && argument == "--") {
            optionsEnded_ = true;
            return Done() ? std::string() : Take();
        }
        if (!optionsEnded_ && argument.size() > 1 && argument.front() == '-') {
            const std::size_t equals = argument.find('=');
            option_ = argument.substr(0, equals);
            if (equals != std::string::npos) {
                inlineValue_ = argument.substr(equals + 1);
            }
        }
        return argument;
    }

    bool IsOption() const { return !option_.empty(); }
    const std::string& Option() const { return option_; }

    std::string Value() {
        if (inlineValue_) {
            return *inlineValue_;
        }
        if (Done()) {
            throw UsageError(command_, fmt::format("{} needs a value", option_));
        }
        return arguments_[next_++];
    }

    void RejectInlineValue() const {
        if (inlineValue_) {
            throw UsageError(command_, fmt::format("{} takes no value", option_));
        }
    }

private:
    std::string command_;
    std::span<const std::string> arguments_;
    std::size_t next_ = 0;
    bool optionsEnded_ = false;
    std::string option_;
    std::optional<std::string> inlineValue_;
};

void SetDirectory(const std::string& command, std::optional<std::filesystem::path>& directory,
                  const std::string& argument) {
    if (directory) {
        throw UsageError(command, fmt::format("only one script folder can be given; '{}' is one "
                                              "too many",
                                              argument));
    }
    if (argument.empty()) {
        throw UsageError(command, "the script folder name is empty");
    }
    directory = std::filesystem::path(argument);
}

Invocation ParseRun(std::span<const std::string> arguments) {
    Invocation invocation = WithAction(Invocation::Action::Run);
    RunOptions& run = invocation.run;
    std::optional<std::filesystem::path> directory;
    ArgumentCursor cursor("run", arguments);
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        if (!cursor.IsOption()) {
            SetDirectory("run", directory, argument);
        } else if (IsHelp(cursor.Option())) {
            cursor.RejectInlineValue();
            return Help("run");
        } else if (cursor.Option() == "--db") {
            run.database = std::filesystem::path(cursor.Value());
        } else if (cursor.Option() == "--dump") {
            run.dump = std::filesystem::path(cursor.Value());
        } else if (cursor.Option() == "--passes") {
            run.passes = ReadPasses(cursor.Value());
        } else {
            throw UsageError("run", fmt::format("unknown option '{}'", cursor.Option()));
        }
    }
    if (directory) {
        run.directory = *directory;
    }
    return invocation;
}

Invocation ParseCheck(std::span<const std::string> arguments) {
    Invocation invocation = WithAction(Invocation::Action::Check);
    std::optional<std::filesystem::path> directory;
    ArgumentCursor cursor("check", arguments);
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        if (!cursor.IsOption()) {
            SetDirectory("check", directory, argument);
        } else if (IsHelp(cursor.Option())) {
            cursor.RejectInlineValue();
            return Help("check");
        } else {
            throw UsageError("check", fmt::format("unknown option '{}'", cursor.Option()));
        }
    }
    if (directory) {
        invocation.check.directory = *directory;
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
        if (!topic.empty() && topic != "run" && topic != "check") {
            throw UsageError("",
                             fmt::format("no help on '{}': the commands are run and check", topic));
        }
        return Help(topic);
    }
    if (first == "--version") {
        return WithAction(Invocation::Action::ShowVersion);
    }
    if (first == "run") {
        return ParseRun(rest);
    }
    if (first == "check") {
        return ParseCheck(rest);
    }
    if (first.starts_with("-")) {
        throw UsageError("", fmt::format("unknown option '{}'", first));
    }
    throw UsageError("",
                     fmt::format("unknown command '{}': the commands are run and check", first));
}

std::string HelpText(const std::string& topic) {
    if (topic == "run") {
        return R"(Usage: vxmod run [--db FILE] [--dump FILE] [--passes N] [DIR]

Runs the mod scripts below DIR (default: AttribMods) exactly as the loader
does in the game, against a database built from a description file.

  --db FILE     the database description to build (default: the example
                database built into vxmod)
  --dump FILE   after the run, write the database to FILE in the
                description format
  --passes N    run the whole folder N times in one process, as the game
                does when it passes the patched call more than once
                (default: 1)
  -h, --help    show this text

The log is written to ./VexaAttribLoader.Tormelin.log with the game's own
lines, and the hash list is read from ./Qzr/VLTHashes.txt when it exists.
The warning box of a script with errors is written to standard error, and so
is a line PATH:LINE: MESSAGE for every failed script line.

Exit status: 0 when every line succeeded, 1 when a line failed, 2 for a
usage error or a database file that cannot be used.
)";
    }
    if (topic == "check") {
        return R"(Usage: vxmod check [DIR]

Reads every script below DIR (default: AttribMods) as the loader would,
without a database, and reports what the loader would ignore or reject:
unknown command words, lines with too few arguments, names and subscripts
that cannot be converted, and files that look like scripts but do not run.
Each finding is one line PATH:LINE: MESSAGE; warnings say "warning:".

  -h, --help    show this text

Exit status: 1 when an error was found, else 0 (warnings alone give 0).
)";
    }
    return R"(Usage: vxmod COMMAND [OPTIONS] [DIR]

Runs and checks mod scripts (.vxmod) without the game.

Commands:
  run     run the scripts against a described database, with the game's log
  check   find the mistakes in scripts that the loader silently ignores

Options:
  -h, --help    show this text; "vxmod COMMAND --help" shows a command's
  --version     show the version

DIR is the script folder, AttribMods in the current folder by default.
)";
}

}  // namespace vxmod

#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

namespace vxmod {

// A command line that cannot be understood. The message says what is wrong;
// Command() names the command whose help would explain it (empty: the tool).
class UsageError : public std::runtime_error {
public:
    UsageError(std::string command, const std::string& message)
        : std::runtime_error(message), command_(std::move(command)) {}
    const std::string& Command() const { return command_; }

private:
    std::string command_;
};

// The most passes one run makes; more would only repeat the same edits.
inline constexpr int kMaxPasses = 1000;

// Warnings and notes of one kind shown for a script; the rest are counted.
inline constexpr int kShownOfAKind = 10;

// How much of what vxmod finds it shows.
struct ShownFindings {
    bool quiet = false;  // errors only: warnings and notes are counted, not shown
    bool all = false;    // every finding, not only the first few of a kind in a script
};

struct RunOptions {
    std::optional<std::filesystem::path> database;  // none: the built-in example
    std::optional<std::filesystem::path> dump;
    int passes = 1;
    bool listConflicts = false;
    ShownFindings shown;
    std::filesystem::path directory = "AttribMods";
};

struct CheckOptions {
    std::optional<std::filesystem::path> database;  // none: a check without one
    bool listConflicts = false;
    ShownFindings shown;
    std::filesystem::path directory = "AttribMods";  // or one script
};

struct ShowOptions {
    std::optional<std::filesystem::path> database;  // none: the built-in example
    std::string className;
    std::string collection;
    bool noScripts = false;  // else: the database as the scripts below `directory` leave it
    std::filesystem::path directory = "AttribMods";
};

struct DiffOptions {
    std::filesystem::path before;
    std::filesystem::path after;
    std::optional<std::filesystem::path> output;  // none: standard output
};

struct LspOptions {
    std::optional<std::filesystem::path> database;  // none: the editor's choice, or the pack's
};

struct Invocation {
    enum class Action { ShowHelp, ShowVersion, Run, Check, Diff, Show, Lsp };
    Action action = Action::ShowHelp;
    std::string helpTopic;  // for ShowHelp: "" or a command
    RunOptions run;
    CheckOptions check;
    DiffOptions diff;
    ShowOptions show;
    LspOptions lsp;
};

// The arguments after the program name. Throws UsageError.
Invocation ParseArguments(std::span<const std::string> arguments);

// The text that --help prints for the topic ("" or a command).
std::string HelpText(const std::string& topic);

}  // namespace vxmod

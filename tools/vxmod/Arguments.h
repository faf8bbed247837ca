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

struct RunOptions {
    std::optional<std::filesystem::path> database;  // none: the built-in example
    std::optional<std::filesystem::path> dump;
    int passes = 1;
    std::filesystem::path directory = "AttribMods";
};

struct CheckOptions {
    std::filesystem::path directory = "AttribMods";
};

struct Invocation {
    enum class Action { ShowHelp, ShowVersion, Run, Check };
    Action action = Action::ShowHelp;
    std::string helpTopic;  // for ShowHelp: "", "run" or "check"
    RunOptions run;
    CheckOptions check;
};

// The arguments after the program name. Throws UsageError.
Invocation ParseArguments(std::span<const std::string> arguments);

// The text that --help prints for the topic ("", "run", "check").
std::string HelpText(const std::string& topic);

}  // namespace vxmod

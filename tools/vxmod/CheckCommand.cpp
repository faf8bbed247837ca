#include "CheckCommand.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "automation/CommandParser.h"
#include "automation/FieldSpec.h"
#include "host/TextFile.h"
#include "loader/ScriptRunner.h"

namespace vxmod {
namespace fs = std::filesystem;
namespace automation = rakor::Attrib::Automation;
using rakor::ScriptRunner;
using Severity = Diagnostic::Severity;

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The command word that was probably meant: one that differs only in case,
// else the one closest in spelling when it is close enough to be a typo.
std::string_view SuggestCommand(std::string_view word) {
    const std::string lower = Lower(word);
    std::string_view best;
    std::size_t bestDistance = 3;  // more than two edits is another word
    for (const automation::Command& command : automation::Commands()) {
        const std::size_t distance = EditDistance(lower, command.word);
        if (distance < bestDistance) {
            best = command.word;
            bestDistance = distance;
        }
    }
    return best;
}

Diagnostic UnknownCommand(const std::string& path, int line, const std::string& word) {
    std::string message = fmt::format("unknown command '{}'", word);
    if (const std::string_view suggestion = SuggestCommand(word); !suggestion.empty()) {
        message += fmt::format("; did you mean '{}'?", suggestion);
    }
    return {path, line, Severity::Error, message};
}

// How many arguments a row reads at most; the rest of the line is ignored.
std::size_t MostArguments(const automation::Command& command) {
    if (command.word == "update_field") {
        return 5;  // class, collection, field, member, value
    }
    if (command.word == "add_field") {
        return 4;  // the optional count
    }
    return command.arguments;
}

std::string JoinTokens(const std::vector<std::string>& tokens, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < tokens.size(); ++i) {
        joined += (i == from ? "'" : " '") + tokens[i] + "'";
    }
    return joined;
}

// Mistakes in a line that parses: the loader runs it, but not as written.
void CheckArguments(const automation::Command& command, const std::vector<std::string>& tokens,
                    const std::string& path, int line, std::vector<Diagnostic>& found) {
    if (!command.buildsAction) {
        found.push_back({path, line, Severity::Note,
                         fmt::format("'{}' is accepted and does nothing", command.word)});
    }
    const std::size_t most = MostArguments(command);
    if (tokens.size() - 1 > most) {
        found.push_back({path, line, Severity::Warning,
                         fmt::format("{}: reads {} arguments; the rest is ignored: {} (start a "
                                     "comment with ' #')",
                                     command.word, most, JoinTokens(tokens, most + 1))});
    }
    if (command.word == "resize_field") {
        const std::string& count = tokens[4];
        if (!std::isdigit(static_cast<unsigned char>(count.front()))) {
            found.push_back({path, line, Severity::Error,
                             fmt::format("resize_field: count '{}' is not a number; the loader "
                                         "reads it as {}",
                                         count, automation::ReadCount(count))});
        } else if (!std::all_of(count.begin(), count.end(),
                                [](unsigned char c) { return std::isdigit(c); })) {
            found.push_back({path, line, Severity::Warning,
                             fmt::format("resize_field: count '{}' is read as {}", count,
                                         automation::ReadCount(count))});
        }
    }
    if (command.word == "update_field") {
        // Quotes do not group words: "two words" is two tokens, and a sixth
        // token turns the value into a member name.
        for (std::size_t i = 4; i < tokens.size(); ++i) {
            if (tokens[i] != "\"\"" && tokens[i].find('"') != std::string::npos) {
                found.push_back({path, line, Severity::Warning,
                                 fmt::format("update_field: quotes do not group words; '{}' is a "
                                             "token of its own",
                                             tokens[i])});
                break;
            }
        }
    }
}

struct CheckTotals {
    int scripts = 0;
    int errors = 0;
    int warnings = 0;
};

class FolderChecker {
public:
    explicit FolderChecker(std::ostream& out) : out_(out) {}

    void Walk(const fs::path& directory) {
        std::error_code error;
        fs::directory_iterator entries(directory, error);
        if (error) {
            Report({ScriptRunner::DisplayPath(directory), 0, Severity::Error,
                    fmt::format("cannot list the folder: {}", error.message())});
            return;
        }
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            Visit(*entries);
        }
        if (error) {
            Report({ScriptRunner::DisplayPath(directory), 0, Severity::Error,
                    fmt::format("cannot list the whole folder: {}", error.message())});
        }
    }

    const CheckTotals& Totals() const { return totals_; }

private:
    void Visit(const fs::directory_entry& entry) {
        const fs::path& path = entry.path();
        const std::string display = ScriptRunner::DisplayPath(path);
        std::error_code error;
        const bool isDirectory = entry.is_directory(error);
        const std::string name = ScriptRunner::DisplayPath(path.filename());
        if (ScriptRunner::IsDisabled(path)) {
            if (isDirectory || LooksLikeScript(name.substr(1))) {
                Report({display + (isDirectory ? "/" : ""), 0, Severity::Note,
                        "disabled: the name begins with '!', so the loader skips it"});
            }
            return;
        }
        if (isDirectory) {
            Walk(path);
        }
        if (ScriptRunner::IsScriptName(path)) {
            if (isDirectory) {
                Report({display, 0, Severity::Warning,
                        "a folder named like a script: the loader walks it and then counts it as "
                        "a script with no lines"});
            } else {
                CheckScript(path, display);
            }
        } else if (!isDirectory) {
            CheckLookalike(name, display);
        }
    }

    static bool LooksLikeScript(const std::string& name) {
        return Lower(name).find(".vxmod") != std::string::npos;
    }

    void CheckLookalike(const std::string& name, const std::string& display) {
        const std::string lower = Lower(name);
        const std::size_t at = lower.rfind(".vxmod");
        if (at == std::string::npos) {
            return;
        }
        std::string why;
        if (lower == ".vxmod") {
            why = "a name that is only '.vxmod' has no extension; give it a name before the dot";
        } else if (at + 6 == lower.size()) {
            why = fmt::format("the extension must be exactly '.vxmod', not '{}'", name.substr(at));
        } else {
            why = fmt::format("the name must end in '.vxmod', not '{}'", name.substr(at + 6));
        }
        Report({display, 0, Severity::Warning, "not run: " + why});
    }

    void CheckScript(const fs::path& path, const std::string& display) {
        ++totals_.scripts;
        const std::optional<std::string> text = rakor::ReadTextFile(path);
        if (!text) {
            Report({display, 0, Severity::Error,
                    "cannot be read; the loader would run no line of it"});
            return;
        }
        for (const Diagnostic& diagnostic : CheckScriptText(display, *text)) {
            Report(diagnostic);
        }
    }

    void Report(const Diagnostic& diagnostic) {
        if (diagnostic.severity == Severity::Error) {
            ++totals_.errors;
        } else if (diagnostic.severity == Severity::Warning) {
            ++totals_.warnings;
        }
        WriteDiagnostic(out_, diagnostic);
    }

    std::ostream& out_;
    CheckTotals totals_;
};

}  // namespace

std::vector<Diagnostic> CheckScriptText(const std::string& displayPath, const std::string& text) {
    std::vector<Diagnostic> found;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::vector<std::string> tokens = automation::Tokenize(line);
        if (tokens.empty()) {
            continue;  // blank, or a comment
        }
        const automation::Command* const command = automation::FindCommand(tokens[0]);
        if (command == nullptr) {
            found.push_back(UnknownCommand(displayPath, number, tokens[0]));
            continue;
        }
        // The parser's own verdict, word for word as the loader would log it.
        try {
            automation::ParseLine(line);
        } catch (const std::exception& error) {
            found.push_back({displayPath, number, Severity::Error, error.what()});
            continue;
        }
        CheckArguments(*command, tokens, displayPath, number, found);
    }
    return found;
}

int RunCheckCommand(const CheckOptions& options, std::ostream& out) {
    const std::string display = ScriptRunner::DisplayPath(options.directory);
    std::error_code error;
    if (!fs::is_directory(options.directory, error)) {
        WriteDiagnostic(
            out, {display, 0, Severity::Error, "no such folder; the loader would run nothing"});
        return 1;
    }
    FolderChecker checker(out);
    if (ScriptRunner::IsDisabled(options.directory)) {
        WriteDiagnostic(out, {display + "/", 0, Severity::Note,
                              "disabled: the name begins with '!', so the loader skips it"});
    } else {
        checker.Walk(options.directory);
    }
    const CheckTotals& totals = checker.Totals();
    out << fmt::format("{} script{} checked: {} error{}, {} warning{}\n", totals.scripts,
                       totals.scripts == 1 ? "" : "s", totals.errors, totals.errors == 1 ? "" : "s",
                       totals.warnings, totals.warnings == 1 ? "" : "s");
    return totals.errors > 0 ? 1 : 0;
}

}  // namespace vxmod

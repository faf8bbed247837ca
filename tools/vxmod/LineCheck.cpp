#include "LineCheck.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>

#include <fmt/format.h>

#include "LineReading.h"
#include "automation/CommandParser.h"
#include "automation/FieldSpec.h"
#include "sandbox/Spelling.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
using Severity = Diagnostic::Severity;

namespace {

// The command word that was probably meant: one that differs only in case,
// else the one closest in spelling when it is close enough to be a typo.
std::optional<std::string> SuggestCommand(const std::string& word) {
    std::vector<std::string> words;
    for (const automation::Command& command : automation::Commands()) {
        words.emplace_back(command.word);
    }
    return rakor::Sandbox::ClosestSpelling(word, words);
}

Diagnostic UnknownCommand(const std::string& path, int line, const std::string& word) {
    std::string message = fmt::format("unknown command '{}'", word);
    if (const auto suggestion = SuggestCommand(word)) {
        message += fmt::format("; did you mean '{}'?", *suggestion);
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
        const std::string words = fmt::format("{}", fmt::join(tokens, " "));
        const std::optional<LineReading> reading = ReadLine(words);
        if (reading && reading->valueToken != "\"\"" &&
            (reading->valueToken.find('"') != std::string_view::npos ||
             reading->member.value_or("").find('"') != std::string_view::npos)) {
            found.push_back({path, line, Severity::Warning,
                             reading->member
                                 ? "update_field: " + SixWordReading(*reading)
                                 : fmt::format("update_field: quotes do not group words, and the "
                                               "quotes are part of the value '{}'",
                                               reading->valueToken)});
        }
    }
}

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

bool LooksLikeUtf16(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return true;
    }
    // Without a mark: Latin text in UTF-16 has a zero byte in every other place.
    const std::string_view start = text.substr(0, 512);
    const auto zeros = std::count(start.begin(), start.end(), '\0');
    return start.size() >= 4 && static_cast<std::size_t>(zeros) * 4 >= start.size();
}

}  // namespace vxmod

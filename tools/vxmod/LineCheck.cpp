#include "LineCheck.h"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "SixWordReading.h"
#include "automation/FieldSpec.h"
#include "automation/LineArguments.h"
#include "automation/LineTokens.h"
#include "sandbox/Spelling.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
using Severity = Diagnostic::Severity;

namespace {

// The command word that was probably meant: one that differs only in case,
// else the one closest in spelling when it is close enough to be a typo.
std::optional<std::string> SuggestCommand(std::string_view word) {
    std::vector<std::string> words;
    for (const automation::Command& command : automation::Commands()) {
        words.emplace_back(command.word);
    }
    return rakor::Sandbox::ClosestSpelling(word, words);
}

// The tokens the row does not read, each quoted: 'a' 'b'.
std::string IgnoredTokens(const automation::LineTokens& tokens, std::size_t read) {
    std::string joined;
    automation::ForEachToken(tokens.After(read), [&](std::string_view token) {
        joined += fmt::format("{}'{}'", joined.empty() ? "" : " ", token);
    });
    return joined;
}

// Mistakes in a line that parses: the loader runs it, but not as written.
void CheckArguments(const automation::ParsedLine& line, std::vector<LineFinding>& found) {
    const automation::Command& command = *line.command;
    const automation::LineTokens& tokens = line.tokens;
    if (!command.buildsAction) {
        found.push_back({line.number, Severity::Note,
                         fmt::format("'{}' is accepted and does nothing", command.word)});
    }
    if (tokens.count - 1 > command.mostRead) {
        found.push_back(
            {line.number, Severity::Warning,
             fmt::format("{}: reads {} arguments; the rest is ignored: {} (start a "
                         "comment with ' #')",
                         command.word, command.mostRead, IgnoredTokens(tokens, command.mostRead))});
    }
    const automation::LineArguments a = automation::ArgumentsOf(command, tokens);
    if (command.word == "resize_field") {
        const auto count = automation::ReadCountText(a.count);
        if (count.used == 0) {
            found.push_back({line.number, Severity::Error,
                             fmt::format("resize_field: count '{}' is not a number; the loader "
                                         "reads it as {}",
                                         a.count, count.count)});
        } else if (count.used < a.count.size()) {
            found.push_back(
                {line.number, Severity::Warning,
                 fmt::format("resize_field: count '{}' is read as {}", a.count, count.count)});
        }
    }
    // Quotes do not group words: "two words" is two tokens, and a sixth token
    // turns the value into a member name.
    if (command.word == "update_field" && a.valueToken != "\"\"" &&
        (a.valueToken.find('"') != std::string_view::npos ||
         a.member.find('"') != std::string_view::npos)) {
        found.push_back({line.number, Severity::Warning,
                         a.hasMember
                             ? "update_field: " + SixWordReading(a.member, a.valueToken)
                             : fmt::format("update_field: quotes do not group words, and the "
                                           "quotes are part of the value '{}'",
                                           a.valueToken)});
    }
}

}  // namespace

void CheckParsedLine(const automation::ParsedLine& line, std::vector<LineFinding>& found) {
    if (line.command == nullptr) {
        std::string message = fmt::format("unknown command '{}'", line.tokens[0]);
        if (const auto suggestion = SuggestCommand(line.tokens[0])) {
            message += fmt::format("; did you mean '{}'?", *suggestion);
        }
        found.push_back({line.number, Severity::Error, std::move(message)});
        return;
    }
    // The parser's own verdict, word for word as the loader logs it.
    if (!line.error.empty()) {
        found.push_back({line.number, Severity::Error, std::string(line.error)});
        return;
    }
    CheckArguments(line, found);
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

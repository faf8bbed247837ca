#include "review/LineCheck.h"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "automation/FieldSpec.h"
#include "automation/LineArguments.h"
#include "automation/LineTokens.h"
#include "review/InvisibleCharacters.h"
#include "review/NameParts.h"
#include "review/SixWordReading.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
using Severity = Diagnostic::Severity;

namespace {

// The command word that was probably meant: one that differs only in case,
// else the one closest in spelling when it is close enough to be a typo, else
// the one that the word begins ("resize").
std::vector<std::string> SuggestCommand(std::string_view word) {
    std::vector<std::string> words;
    for (const automation::Command& command : automation::Commands()) {
        words.emplace_back(command.word);
    }
    return MeantNames(word, words);
}

std::string UnknownCommand(std::string_view word) {
    // A character that does not show makes a command word look right.
    if (const auto invisible = FirstInvisible(word)) {
        const std::string shown = WithoutInvisibles(word);
        if (automation::FindCommand(shown) != nullptr) {
            return fmt::format(
                "unknown command '{}': the word holds {} (U+{:04X}), which does not show; "
                "without it the word is '{}'",
                word, invisible->character->name, invisible->character->codePoint, shown);
        }
    }
    return fmt::format("unknown command '{}'{}", word, DidYouMean(SuggestCommand(word)));
}

// The word of the line around a byte of it.
std::string_view WordAround(std::string_view text, std::size_t at) {
    const auto blank = [&](std::size_t i) {
        return automation::kIsBlank[static_cast<unsigned char>(text[i])];
    };
    std::size_t start = at;
    while (start > 0 && !blank(start - 1)) {
        --start;
    }
    std::size_t end = at;
    while (end < text.size() && !blank(end)) {
        ++end;
    }
    return text.substr(start, end - start);
}

// Where the findings of a line go as they are found. Noting them, it keeps
// each with an error's words (every error is shown); asked for the words of
// one kind, it gives a string for that kind's finding only.
class Found {
public:
    Found(int line, std::vector<LineFinding>& found) : line_(line), found_(&found) {}
    Found(FindingKind asked, std::string& words) : asked_(asked), words_(&words) {}

    // The string for the words of the finding, or null when they are not
    // wanted now.
    std::string* Say(Severity severity, FindingKind kind, bool standsAlone = false) {
        if (found_ == nullptr) {
            return kind == asked_ ? words_ : nullptr;
        }
        found_->push_back({line_, severity, kind, {}, standsAlone});
        return severity == Severity::Error ? &found_->back().message : nullptr;
    }

private:
    int line_ = 0;
    std::vector<LineFinding>* found_ = nullptr;
    FindingKind asked_ = FindingKind::Unsorted;
    std::string* words_ = nullptr;
};

// A character copied along that does not show: one word where two were
// meant, or a name that is not the one it looks like. In a value it may be
// meant, so it is noted there, not warned about.
void CheckInvisibles(const automation::ParsedLine& line, Found& found) {
    const std::string_view text = line.tokens.Text();
    const auto invisible = FirstInvisible(text);
    if (!invisible) {
        return;
    }
    const InvisibleCharacter& character = *invisible->character;
    const std::string_view word = WordAround(text, invisible->at);
    // A line the parser refused has no value (it may lack the words).
    const automation::LineArguments a =
        line.error.empty() && line.tokens.count > line.command->arguments
            ? automation::ArgumentsOf(*line.command, line.tokens)
            : automation::LineArguments();
    const bool inValue = !a.valueToken.empty() && word.data() == a.valueToken.data();
    if (std::string* what =
            found.Say(inValue ? Severity::Note : Severity::Warning, FindingKind::Invisible, true)) {
        *what = character.looksLikeABlank
                    ? fmt::format(
                          "'{}' holds {} (U+{:04X}): it looks like a blank, but the loader "
                          "separates words only at plain spaces and tabs, so to it this is one "
                          "word",
                          word, character.name, character.codePoint)
                    : fmt::format(
                          "'{}' holds {} (U+{:04X}), which does not show: to the loader it is "
                          "part of the word",
                          word, character.name, character.codePoint);
    }
}

// A subscript read otherwise than written: the reader takes the leading
// whole number and ignores the rest.
void CheckSubscript(const automation::LineArguments& a, Found& found) {
    // Digits closed by the last character are read as written: the subscript
    // of most lines that have one needs no second reading.
    const std::size_t open = a.field.find('[');
    if (open == std::string_view::npos ||
        (a.field.back() == ']' && open + 2 < a.field.size() &&
         std::all_of(a.field.begin() + static_cast<std::ptrdiff_t>(open) + 1, a.field.end() - 1,
                     [](char c) { return c >= '0' && c <= '9'; }))) {
        return;
    }
    const automation::FieldSpecView field = automation::SplitFieldSpec(a.field);
    const bool readInPart = field.subscriptUsed < field.subscript.size();
    if (!readInPart && field.afterClose.empty() && field.closed) {
        return;
    }
    std::string* said = found.Say(Severity::Warning, FindingKind::SubscriptReadInPart, true);
    if (said == nullptr) {
        return;
    }
    *said = "update_field: ";
    if (readInPart) {
        *said += fmt::format(
            "the subscript of '{}' is read as [{}]: a subscript is a whole number, and the "
            "loader stops reading it at '{}'",
            a.field, field.index, field.subscript.substr(field.subscriptUsed, 1));
    } else if (!field.afterClose.empty()) {
        *said +=
            fmt::format("'{}' after the subscript of '{}' is ignored: the line sets element [{}]",
                        field.afterClose, a.field, field.index);
    } else {
        *said += fmt::format("'{}' has no closing ']': it is read as element [{}]", a.field,
                             field.index);
    }
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
void CheckArguments(const automation::ParsedLine& line, Found& found) {
    const automation::Command& command = *line.command;
    const automation::LineTokens& tokens = line.tokens;
    if (!command.BuildsAction()) {
        if (std::string* said = found.Say(Severity::Note, FindingKind::DoesNothing)) {
            *said = fmt::format("'{}' is accepted and does nothing", command.word);
        }
    }
    if (tokens.count - 1 > command.mostRead) {
        if (std::string* said = found.Say(Severity::Warning, FindingKind::IgnoredWords)) {
            // A '#' inside a word, or '//', is a comment the modder meant.
            const std::string_view text = tokens.Text();
            const bool meantAComment = text.find('#') != std::string_view::npos ||
                                       text.find("//") != std::string_view::npos;
            *said = fmt::format("{}: reads {} arguments; the rest is ignored: {}{}", command.word,
                                command.mostRead, IgnoredTokens(tokens, command.mostRead),
                                meantAComment ? " (start a comment with ' #')" : "");
        }
    }
    const automation::LineArguments a = automation::ArgumentsOf(command, tokens);
    // Only the class, the parent and the new name count.
    if (!a.ignored.empty() && a.ignored != a.collection) {
        if (std::string* said = found.Say(Severity::Warning, FindingKind::CopiesNothing)) {
            *said = fmt::format(
                "copy_node copies nothing: '{}' is read and not used, and '{}' is made a "
                "child of '{}' as add_node makes it; to start from the values of '{}', "
                "write add_node {} {} {}",
                a.ignored, a.newCollection, a.collection, a.ignored, a.className, a.ignored,
                a.newCollection);
        }
    }
    if (command.subscripts) {
        CheckSubscript(a, found);
    }
    // A count the action uses; add_field's is read and not used.
    if (command.builds == automation::Builds::ResizeField) {
        const auto count = automation::ReadCountText(a.count);
        if (count.used == 0) {
            if (std::string* said = found.Say(Severity::Error, FindingKind::Unsorted)) {
                *said = fmt::format(
                    "resize_field: count '{}' is not a number; the loader "
                    "reads it as {}",
                    a.count, count.count);
            }
        } else if (count.used < a.count.size()) {
            if (std::string* said = found.Say(Severity::Warning, FindingKind::CountReadInPart)) {
                *said = fmt::format("resize_field: count '{}' is read as {}", a.count, count.count);
            }
        }
    }
    // Quotes do not group words: "two words" is two tokens, and a sixth token
    // turns the value into a member name.
    if (!a.valueToken.empty() && a.valueToken != "\"\"" &&
        (a.valueToken.find('"') != std::string_view::npos ||
         a.member.find('"') != std::string_view::npos)) {
        if (std::string* said = found.Say(Severity::Warning, FindingKind::Quotes)) {
            *said = a.hasMember ? "update_field: " + SixWordReading(a.member, a.valueToken)
                                : fmt::format(
                                      "update_field: quotes do not group words, and the "
                                      "quotes are part of the value '{}'",
                                      a.valueToken);
        }
    }
}

}  // namespace

void CheckParsedLine(const automation::ParsedLine& line, std::vector<LineFinding>& found) {
    Found noted(line.number, found);
    if (line.command == nullptr) {
        *noted.Say(Severity::Error, FindingKind::Unsorted) = UnknownCommand(line.tokens[0]);
        return;
    }
    // The parser's own verdict, word for word as the loader logs it.
    if (!line.error.empty()) {
        *noted.Say(Severity::Error, FindingKind::Unsorted) = line.error;
    } else {
        CheckArguments(line, noted);
    }
    CheckInvisibles(line, noted);
}

std::string LineCheckWords(FindingKind kind, std::string_view text) {
    const automation::LineTokens tokens = automation::SplitLine(text);
    const automation::Command* command =
        tokens.count > 0 ? automation::FindCommand(tokens[0]) : nullptr;
    std::string words;
    if (command == nullptr) {
        return words;  // an unknown word has an error only
    }
    const automation::ParsedLine line{
        .number = 0, .tokens = tokens, .command = command, .listed = true, .error = {}};
    Found asked(kind, words);
    // Only a line the parser took has findings of its arguments; any line
    // with a command may hold a character that does not show.
    if (kind == FindingKind::Invisible) {
        CheckInvisibles(line, asked);
    } else if (tokens.count > command->arguments) {
        CheckArguments(line, asked);
    }
    return words;
}

}  // namespace vxmod

#include "automation/CommandParser.h"

#include <cstdint>
#include <exception>
#include <iterator>

#include <fmt/format.h>

#include "automation/AddNode.h"
#include "automation/FieldSpec.h"
#include "automation/LineArguments.h"
#include "automation/LineTokens.h"
#include "automation/ModifyField.h"
#include "automation/ResizeField.h"
#include "automation/TokenScan.h"
#include "hash/HashResolver.h"
#include "hash/StringHasher.h"

namespace rakor::Attrib::Automation {
namespace {

// Names reach the host's hash unchanged, which cannot fail; only the written-
// out "0x" form can. Checking it here lets the message name the token.
void CheckedName(const Command& command, std::string_view token, std::size_t place) {
    if (!token.starts_with("0x")) {
        return;
    }
    try {
        StringHasher::HashText(std::string(token));
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(Cause::NameNotHexadecimal, place,
                              fmt::format("{}: name '{}' is not a hexadecimal number after '0x'",
                                          command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            Cause::NameTooWide, place,
            fmt::format("{}: name '{}' does not fit in 32 bits", command.word, token));
    }
}

FieldSpecView CheckedFieldSpec(const Command& command, std::string_view token, std::size_t place) {
    try {
        return SplitFieldSpec(token);
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(
            Cause::SubscriptNotANumber, place,
            fmt::format("{}: subscript of '{}' is not a number", command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            Cause::SubscriptTooWide, place,
            fmt::format("{}: subscript of '{}' does not fit in a signed 32-bit number",
                        command.word, token));
    }
}

uint32_t CheckedCount(const Command& command, std::string_view token, std::size_t place) {
    try {
        return ReadCount(token);
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            Cause::NegativeCount, place,
            fmt::format("{}: count '{}' is negative; a count is a whole number from 0 to {}",
                        command.word, token, ResizeField::kMaxCount));
    }
}

// Adds the line's action to `script`, if it has one. Names are converted in
// the order the actions' own constructors convert them; a name that cannot
// be is told by the token the table gives its role.
void BuildAction(const Command& command, const LineTokens& t, int number, ParsedScript& script) {
    const LineArguments a = ArgumentsOf(command, t);
    const auto tokenOf = [&](Role role) { return command.TokenOf(t.count, role); };
    switch (command.builds) {
        case Builds::Nothing:
            return;
        case Builds::AddNode: {
            // Neither add_node nor copy_node copies any values.
            CheckedName(command, a.className, tokenOf(Role::Class));
            CheckedName(command, a.collection, tokenOf(Role::Parent));
            CheckedName(command, a.newCollection, tokenOf(Role::NewCollection));
            const Hash32 nameKey = Hash32(a.newCollection);
            const Hash32 parentKey = Hash32(a.collection);
            const Hash32 classKey = Hash32(a.className);
            script.AddAction<AddNode>(number, classKey, parentKey, nameKey);
            return;
        }
        case Builds::ResizeField: {
            CheckedName(command, a.className, tokenOf(Role::Class));
            CheckedName(command, a.collection, tokenOf(Role::Collection));
            CheckedName(command, a.field, a.fieldToken);
            const uint32_t count = CheckedCount(command, a.count, a.countToken);
            const Hash32 fieldKey = Hash32(a.field);
            const Hash32 collectionKey = Hash32(a.collection);
            const Hash32 classKey = Hash32(a.className);
            script.AddAction<ResizeField>(number, classKey, collectionKey, fieldKey, count);
            return;
        }
        case Builds::ModifyField: {
            const FieldSpecView field = CheckedFieldSpec(command, a.field, a.fieldToken);
            CheckedName(command, a.className, tokenOf(Role::Class));
            CheckedName(command, a.collection, tokenOf(Role::Collection));
            CheckedName(command, field.name, a.fieldToken);
            ModifyField::Parts parts;
            parts.fieldKey = Hash32(field.name);
            parts.collectionKey = Hash32(a.collection);
            parts.classKey = Hash32(a.className);
            parts.index = field.index;
            parts.value = a.value;
            if (a.hasMember) {
                parts.mode = ModifyField::Mode::Member;
                parts.member = a.member;
            }
            script.AddAction<ModifyField>(number, parts);
            return;
        }
    }
}

// Adds what the line yields to `script`; throws what keeps it from an action.
void ParseLineInto(const LineTokens& tokens, const Command* command, int number,
                   ParsedScript& script) {
    if (command == nullptr) {
        return;
    }
    const std::size_t given = tokens.count - 1;
    if (given < command->arguments) {
        // copy_node with three names is add_node's line with the other word:
        // the line the modder meant, in the modder's own words.
        const std::string meant =
            command->word == "copy_node" && given == 3
                ? fmt::format("; to make '{}' a child of '{}', write add_node {} {} {}", tokens[3],
                              tokens[2], tokens[1], tokens[2], tokens[3])
                : std::string();
        throw ScriptLineError(
            Cause::TooFewArguments, 0,
            fmt::format("{}: needs {} arguments but has {}; usage: {}{}", command->word,
                        command->arguments, given, command->usage, meant));
    }
    BuildAction(*command, tokens, number, script);
}

const Command* CommandOf(const LineTokens& tokens) {
    return tokens.count == 0 ? nullptr : FindCommand(tokens[0]);
}

}  // namespace

std::vector<std::string> Tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    ForEachToken(line, [&](std::string_view token) { tokens.emplace_back(token); });
    return tokens;
}

std::shared_ptr<IAction> ParseLine(std::string_view line) {
    ParsedScript script;
    const LineTokens tokens = SplitLine(line);
    ParseLineInto(tokens, CommandOf(tokens), 1, script);
    return script.Lines().empty() ? nullptr : script.Share(script.Lines().front());
}

void ScriptParser::Parse(std::string_view lines) {
    ForEachLineTokens(lines, [&](const LineTokens& tokens) {
        const Command* const command = CommandOf(tokens);
        const std::size_t before = script_.Lines().size();
        std::string_view error;
        try {
            ParseLineInto(tokens, command, nextLine_, script_);
        } catch (const ScriptLineError& failure) {
            error = script_.AddError(nextLine_, failure.what(), failure.Facts());
        } catch (const std::exception& failure) {
            LineFacts facts;
            facts.cause = Cause::Other;
            error = script_.AddError(nextLine_, failure.what(), facts);
        }
        if (onLine_ && tokens.count != 0) {
            onLine_({.number = nextLine_,
                     .tokens = tokens,
                     .command = command,
                     .listed = script_.Lines().size() != before,
                     .error = error});
        }
        ++nextLine_;
    });
}

ParsedScript ParseScriptText(std::string_view text) {
    ScriptParser parser;
    parser.Parse(text);
    return parser.Finish();
}

std::vector<ScriptLine> ParseScript(std::istream& script) {
    const std::string text{std::istreambuf_iterator<char>(script),
                           std::istreambuf_iterator<char>()};
    const ParsedScript parsed = ParseScriptText(text);
    std::vector<ScriptLine> lines;
    lines.reserve(parsed.Lines().size());
    for (const ParsedScript::Line& line : parsed.Lines()) {
        lines.push_back(LineOutcome(parsed, line));
    }
    return lines;
}

ScriptLine LineOutcome(const ParsedScript& script, const ParsedScript::Line& line) {
    if (line.action == nullptr) {
        return {line.number, nullptr, script.ErrorOf(line)};
    }
    return {line.number, script.Share(line), {}};
}

}  // namespace rakor::Attrib::Automation

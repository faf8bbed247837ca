#include "automation/CommandParser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <iterator>

#include <fmt/format.h>

#include "automation/AddNode.h"
#include "automation/FieldSpec.h"
#include "automation/LineTokens.h"
#include "automation/ModifyField.h"
#include "automation/ResizeField.h"
#include "automation/TokenScan.h"
#include "hash/HashResolver.h"
#include "hash/StringHasher.h"

namespace rakor::Attrib::Automation {
namespace {

constexpr std::array kCommands{
    Command{"add_node", 3, "add_node <class> <parent> <new collection>", true},
    Command{"copy_node", 4, "copy_node <class> <parent> <ignored> <new collection>", true},
    Command{"delete_node", 2, "delete_node <class> <collection>", false},
    Command{"add_field", 3, "add_field <class> <collection> <field> [count]", false},
    Command{"delete_field", 3, "delete_field <class> <collection> <field>", false},
    Command{"resize_field", 4, "resize_field <class> <collection> <field> <count>", true},
    Command{"update_field", 4, "update_field <class> <collection> <field>[index] [member] <value>",
            true},
};

// Names reach the host's hash unchanged, which cannot fail; only the written-
// out "0x" form can. Checking it here lets the message name the token.
void CheckedName(const Command& command, std::string_view token) {
    if (!token.starts_with("0x")) {
        return;
    }
    try {
        StringHasher::HashText(std::string(token));
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(fmt::format("{}: name '{}' is not a hexadecimal number after '0x'",
                                          command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            fmt::format("{}: name '{}' does not fit in 32 bits", command.word, token));
    }
}

FieldSpecView CheckedFieldSpec(const Command& command, std::string_view token) {
    try {
        return SplitFieldSpec(token);
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(
            fmt::format("{}: subscript of '{}' is not a number", command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(fmt::format(
            "{}: subscript of '{}' does not fit in a signed 32-bit number", command.word, token));
    }
}

uint32_t CheckedCount(const Command& command, std::string_view token) {
    try {
        return ReadCount(token);
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            fmt::format("{}: count '{}' is negative; a count is a whole number from 0 to {}",
                        command.word, token, ResizeField::kMaxCount));
    }
}

// The two-character token "" stands for the empty text.
std::string_view ValueText(std::string_view token) {
    return token == "\"\"" ? std::string_view() : token;
}

// Adds the line's action to `script`, if it has one. Names are converted in
// the order the actions' own constructors convert them.
void BuildAction(const Command& command, const LineTokens& t, int number, ParsedScript& script) {
    if (command.word == "add_node" || command.word == "copy_node") {
        // copy_node reads a collection to copy from and does not use it:
        // neither command copies any values.
        const std::string_view newName = command.word == "add_node" ? t[3] : t[4];
        CheckedName(command, t[1]);
        CheckedName(command, t[2]);
        CheckedName(command, newName);
        const Hash32 nameKey = Hash32(newName);
        const Hash32 parentKey = Hash32(t[2]);
        const Hash32 classKey = Hash32(t[1]);
        script.AddAction<AddNode>(number, classKey, parentKey, nameKey);
        return;
    }
    if (command.word == "resize_field") {
        for (std::size_t i = 1; i <= 3; ++i) {
            CheckedName(command, t[i]);
        }
        const uint32_t count = CheckedCount(command, t[4]);
        const Hash32 fieldKey = Hash32(t[3]);
        const Hash32 collectionKey = Hash32(t[2]);
        const Hash32 classKey = Hash32(t[1]);
        script.AddAction<ResizeField>(number, classKey, collectionKey, fieldKey, count);
        return;
    }
    if (command.word == "update_field") {
        const FieldSpecView field = CheckedFieldSpec(command, t[3]);
        CheckedName(command, t[1]);
        CheckedName(command, t[2]);
        CheckedName(command, field.name);
        ModifyField::Parts parts;
        parts.fieldKey = Hash32(field.name);
        parts.collectionKey = Hash32(t[2]);
        parts.classKey = Hash32(t[1]);
        parts.index = field.index;
        if (t.count == 5) {
            parts.value = ValueText(t[4]);
        } else {
            parts.mode = ModifyField::Mode::Member;
            parts.member = t[4];
            parts.value = ValueText(t[5]);
        }
        script.AddAction<ModifyField>(number, parts);
    }
}

// Adds what the line yields to `script`; throws what keeps it from an action.
void ParseLineInto(const LineTokens& tokens, int number, ParsedScript& script) {
    if (tokens.count == 0) {
        return;
    }
    const Command* const command = FindCommand(tokens[0]);
    if (command == nullptr) {
        return;
    }
    const std::size_t given = tokens.count - 1;
    if (given < command->arguments) {
        throw ScriptLineError(fmt::format("{}: needs {} arguments but has {}; usage: {}",
                                          command->word, command->arguments, given,
                                          command->usage));
    }
    BuildAction(*command, tokens, number, script);
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view word) {
    // Length and first letter rule out all words but one before a compare.
    const auto found =
        std::find_if(kCommands.begin(), kCommands.end(), [&](const Command& command) {
            return command.word.size() == word.size() && command.word[0] == word[0] &&
                   command.word == word;
        });
    return found == kCommands.end() ? nullptr : &*found;
}

std::vector<std::string> Tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    ForEachToken(line, [&](std::string_view token) { tokens.emplace_back(token); });
    return tokens;
}

std::shared_ptr<IAction> ParseLine(std::string_view line) {
    ParsedScript script;
    ParseLineInto(SplitLine(line), 1, script);
    return script.Lines().empty() ? nullptr : script.Share(script.Lines().front());
}

void ScriptParser::Parse(std::string_view lines) {
    ForEachLineTokens(lines, [&](const LineTokens& tokens) {
        try {
            ParseLineInto(tokens, nextLine_, script_);
        } catch (const std::exception& error) {
            script_.AddError(nextLine_, error.what());
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

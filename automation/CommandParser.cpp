#include "automation/CommandParser.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>

#include <fmt/format.h>

#include "automation/AddNode.h"
#include "automation/FieldSpec.h"
#include "automation/ModifyField.h"
#include "automation/ResizeField.h"
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

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Names reach the host's hash unchanged, which cannot fail; only the written-
// out "0x" form can. Checking it here lets the message name the token.
void CheckedName(const Command& command, const std::string& token) {
    if (!token.starts_with("0x")) {
        return;
    }
    try {
        StringHasher::HashText(token);
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(fmt::format("{}: name '{}' is not a hexadecimal number after '0x'",
                                          command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            fmt::format("{}: name '{}' does not fit in 32 bits", command.word, token));
    }
}

FieldSpec CheckedFieldSpec(const Command& command, const std::string& token) {
    try {
        return ParseFieldSpec(token);
    } catch (const std::invalid_argument&) {
        throw ScriptLineError(
            fmt::format("{}: subscript of '{}' is not a number", command.word, token));
    } catch (const std::out_of_range&) {
        throw ScriptLineError(fmt::format(
            "{}: subscript of '{}' does not fit in a signed 32-bit number", command.word, token));
    }
}

uint32_t CheckedCount(const Command& command, const std::string& token) {
    try {
        return ReadCount(token);
    } catch (const std::out_of_range&) {
        throw ScriptLineError(
            fmt::format("{}: count '{}' is negative; a count is a whole number from 0 to {}",
                        command.word, token, ResizeField::kMaxCount));
    }
}

// The two-character token "" stands for the empty text.
std::string ValueText(const std::string& token) {
    return token == "\"\"" ? std::string() : token;
}

std::shared_ptr<IAction> BuildAction(const Command& command, const std::vector<std::string>& t) {
    if (command.word == "add_node" || command.word == "copy_node") {
        // copy_node reads a collection to copy from and does not use it:
        // neither command copies any values.
        const std::string& newName = command.word == "add_node" ? t[3] : t[4];
        CheckedName(command, t[1]);
        CheckedName(command, t[2]);
        CheckedName(command, newName);
        return std::make_shared<AddNode>(t[1], t[2], newName);
    }
    if (command.word == "resize_field") {
        for (std::size_t i = 1; i <= 3; ++i) {
            CheckedName(command, t[i]);
        }
        return std::make_shared<ResizeField>(t[1], t[2], t[3], CheckedCount(command, t[4]));
    }
    if (command.word == "update_field") {
        const FieldSpec field = CheckedFieldSpec(command, t[3]);
        CheckedName(command, t[1]);
        CheckedName(command, t[2]);
        CheckedName(command, field.name);
        if (t.size() == 5) {
            return std::make_shared<ModifyField>(t[1], t[2], field, ValueText(t[4]));
        }
        return std::make_shared<ModifyField>(t[1], t[2], field, t[4], ValueText(t[5]));
    }
    return nullptr;
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view word) {
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const Command& command) { return command.word == word; });
    return found == kCommands.end() ? nullptr : &*found;
}

std::vector<std::string> Tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsSpace(line[i])) {
            ++i;
        }
        if (line[start] == '#') {
            break;  // a comment runs to the end of the line
        }
        tokens.emplace_back(line, start, i - start);
    }
    return tokens;
}

std::shared_ptr<IAction> ParseLine(const std::string& line) {
    const std::vector<std::string> tokens = Tokenize(line);
    if (tokens.empty()) {
        return nullptr;
    }
    const Command* const command = FindCommand(tokens[0]);
    if (command == nullptr) {
        return nullptr;
    }
    const std::size_t given = tokens.size() - 1;
    if (given < command->arguments) {
        throw ScriptLineError(fmt::format("{}: needs {} arguments but has {}; usage: {}",
                                          command->word, command->arguments, given,
                                          command->usage));
    }
    return BuildAction(*command, tokens);
}

std::vector<ScriptLine> ParseScript(std::istream& script) {
    std::vector<ScriptLine> lines;
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        try {
            if (auto action = ParseLine(line)) {
                lines.push_back({number, std::move(action), {}});
            }
        } catch (const std::exception& error) {
            lines.push_back({number, nullptr, error.what()});
        }
    }
    return lines;
}

}  // namespace rakor::Attrib::Automation

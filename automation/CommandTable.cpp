#include "automation/CommandTable.h"

#include <algorithm>

namespace rakor::Attrib::Automation {
namespace {

using enum Role;

constexpr std::array kCommands{
    Command{.word = "add_node",
            .arguments = 3,
            .mostRead = 3,
            .usage = "add_node <class> <parent> <new collection>",
            .builds = Builds::AddNode,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Parent, NewCollection}}}},
    // Reads a collection to copy from and does not use it.
    Command{.word = "copy_node",
            .arguments = 4,
            .mostRead = 4,
            .usage = "copy_node <class> <parent> <ignored> <new collection>",
            .builds = Builds::AddNode,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Parent, Ignored, NewCollection}}}},
    Command{.word = "delete_node",
            .arguments = 2,
            .mostRead = 2,
            .usage = "delete_node <class> <collection>",
            .builds = Builds::Nothing,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Collection}}}},
    Command{.word = "add_field",
            .arguments = 3,
            .mostRead = 4,
            .usage = "add_field <class> <collection> <field> [count]",
            .builds = Builds::Nothing,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Collection, Field, Count}}}},
    Command{.word = "delete_field",
            .arguments = 3,
            .mostRead = 3,
            .usage = "delete_field <class> <collection> <field>",
            .builds = Builds::Nothing,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Collection, Field}}}},
    // The field is a plain name: no subscript is read.
    Command{.word = "resize_field",
            .arguments = 4,
            .mostRead = 4,
            .usage = "resize_field <class> <collection> <field> <count>",
            .builds = Builds::ResizeField,
            .subscripts = false,
            .forms = {CommandForm{0, {Class, Collection, Field, Count}}}},
    // Exactly five tokens: the value; any other count: a member, then the value.
    Command{.word = "update_field",
            .arguments = 4,
            .mostRead = 5,
            .usage = "update_field <class> <collection> <field>[index] [member] <value>",
            .builds = Builds::ModifyField,
            .subscripts = true,
            .forms = {CommandForm{5, {Class, Collection, Field, Value}},
                      CommandForm{0, {Class, Collection, Field, Member, Value}}}},
};

}  // namespace

const CommandForm& Command::FormFor(std::size_t tokens) const {
    for (const CommandForm& form : forms) {
        if (form.tokens == tokens) {
            return form;
        }
    }
    // The form for every other count; a row with one form has it first.
    return *std::find_if(forms.begin(), forms.end(),
                         [](const CommandForm& form) { return form.tokens == 0; });
}

Role Command::RoleOf(std::size_t tokens, std::size_t token) const {
    if (token == 0 || token >= tokens || token > CommandForm::kMostArguments) {
        return None;
    }
    return FormFor(tokens).roles[token - 1];
}

std::size_t Command::TokenOf(std::size_t tokens, Role role) const {
    const CommandForm& form = FormFor(tokens);
    for (std::size_t i = 0; i < form.roles.size() && i + 1 < tokens; ++i) {
        if (form.roles[i] == role) {
            return i + 1;
        }
    }
    return 0;
}

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

const Command& CommandBuilding(Builds action) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [&](const Command& command) { return command.builds == action; });
}

std::string_view RoleName(Role role) {
    switch (role) {
        case None:
            break;
        case Class:
            return "class";
        case Collection:
            return "collection";
        case Parent:
            return "parent collection";
        case NewCollection:
            return "new collection";
        case Ignored:
            return "ignored";
        case Field:
            return "field";
        case Member:
            return "member";
        case Value:
            return "value";
        case Count:
            return "count";
    }
    return {};
}

}  // namespace rakor::Attrib::Automation

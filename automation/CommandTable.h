#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rakor::Attrib::Automation {

// What an argument of a script line is to its command: the one place that
// says which token is the class, the collection, the field, ... The parser,
// the runner, the review and an editor's help all read it from here.
enum class Role : uint8_t {
    None,           // no argument there: the line ends, or the row reads no further
    Class,          // a class name
    Collection,     // a collection the line changes or names
    Parent,         // add_node and copy_node: the collection the new one is a child of
    NewCollection,  // add_node and copy_node: the name of the collection made
    Ignored,        // read and not used (copy_node's third word)
    Field,          // a field name; with Command::subscripts, "Gears[3]" names an element
    Member,         // a member of a structured value
    Value,          // the value text
    Count,          // an element count
};

// The action a row builds.
enum class Builds : uint8_t { Nothing, AddNode, ResizeField, ModifyField };

// The arguments of one form of a command, tokens 1, 2, ... in order.
struct CommandForm {
    static constexpr std::size_t kMostArguments = 5;
    // The line's token count (command word included) that selects the form;
    // 0: every count that no other form of the row selects.
    std::size_t tokens = 0;
    std::array<Role, kMostArguments> roles{};
};

// One row of the command table.
struct Command {
    std::string_view word;
    std::size_t arguments;   // how many the row needs after the command word
    std::size_t mostRead;    // how many it reads at most; the rest of the line is ignored
    std::string_view usage;  // for messages
    Builds builds;
    bool subscripts;  // the field argument may carry an array subscript
    // update_field has two: five tokens set the value, any other count a member.
    std::array<CommandForm, 2> forms;

    bool BuildsAction() const { return builds != Builds::Nothing; }
    // The form a line of `tokens` tokens takes.
    const CommandForm& FormFor(std::size_t tokens) const;
    // What token `token` (1 for the first argument) of such a line is; None
    // beyond the line or beyond what the row reads.
    Role RoleOf(std::size_t tokens, std::size_t token) const;
    // Which token of such a line has the role; 0 for none.
    std::size_t TokenOf(std::size_t tokens, Role role) const;
};

// The seven command words, compared exactly (case-sensitive).
std::span<const Command> Commands();
const Command* FindCommand(std::string_view word);
// The row that builds the action, for an action that names its own tokens.
const Command& CommandBuilding(Builds action);

// How modders call a role ("class", "new collection"), for help texts.
std::string_view RoleName(Role role);

}  // namespace rakor::Attrib::Automation

#pragma once

#include <string_view>

#include "automation/CommandTable.h"
#include "automation/LineTokens.h"

namespace rakor::Attrib::Automation {

// The arguments of a line by what they are, as its command's row in the
// command table reads them. Views into the line; empty where the row reads
// no such token.
struct LineArguments {
    std::string_view className;
    std::string_view collection;     // add_node and copy_node: the parent
    std::string_view newCollection;  // add_node and copy_node
    std::string_view ignored;        // copy_node's collection to copy from, which it does not
    std::string_view field;          // as written, with its subscript
    std::size_t fieldToken = 0;      // which token the field is (0: none)
    bool hasMember = false;          // update_field with six tokens or more
    std::string_view member;
    std::size_t memberToken = 0;
    std::string_view valueToken;  // as written
    std::string_view value;       // as the action takes it: the token "" is the empty text
    std::string_view count;       // resize_field, and add_field when it has one
    std::size_t countToken = 0;
};

// For a line that has at least the arguments its command needs.
LineArguments ArgumentsOf(const Command& command, const LineTokens& tokens);

}  // namespace rakor::Attrib::Automation

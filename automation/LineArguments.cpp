#include "automation/LineArguments.h"

namespace rakor::Attrib::Automation {

LineArguments ArgumentsOf(const Command& command, const LineTokens& t) {
    LineArguments arguments;
    arguments.className = t[1];
    arguments.collection = t[2];
    const std::string_view word = command.word;
    if (word == "add_node" || word == "copy_node") {
        // copy_node reads a collection to copy from and does not use it.
        arguments.newCollection = word == "add_node" ? t[3] : t[4];
    } else if (word == "resize_field" || word == "add_field" || word == "delete_field") {
        arguments.field = t[3];
        arguments.fieldToken = 3;
        if (t.count > 4) {
            arguments.count = t[4];
            arguments.countToken = 4;
        }
    } else if (word == "update_field") {
        arguments.field = t[3];
        arguments.fieldToken = 3;
        // Five tokens: the value; any other count: a member, then the value.
        arguments.hasMember = t.count != 5;
        if (arguments.hasMember) {
            arguments.member = t[4];
        }
        arguments.valueToken = arguments.hasMember ? t[5] : t[4];
        arguments.value =
            arguments.valueToken == "\"\"" ? std::string_view() : arguments.valueToken;
    }
    return arguments;
}

}  // namespace rakor::Attrib::Automation

#include "automation/LineArguments.h"

#include <algorithm>

namespace rakor::Attrib::Automation {

LineArguments ArgumentsOf(const Command& command, const LineTokens& t) {
    LineArguments arguments;
    // Every line asks this two or three times (parser, review, checks): the
    // form is found once, not for every token.
    const CommandForm& form = command.FormFor(t.count);
    const std::size_t read =
        std::min({t.count, command.mostRead + 1, CommandForm::kMostArguments + 1});
    for (std::size_t token = 1; token < read; ++token) {
        const std::string_view word = t[token];
        switch (form.roles[token - 1]) {
            case Role::None:
                break;
            case Role::Class:
                arguments.className = word;
                break;
            case Role::Collection:
            case Role::Parent:
                arguments.collection = word;
                break;
            case Role::NewCollection:
                arguments.newCollection = word;
                break;
            case Role::Ignored:
                arguments.ignored = word;
                break;
            case Role::Field:
                arguments.field = word;
                arguments.fieldToken = token;
                break;
            case Role::Member:
                arguments.hasMember = true;
                arguments.member = word;
                arguments.memberToken = token;
                break;
            case Role::Value:
                arguments.valueToken = word;
                arguments.value = word == "\"\"" ? std::string_view() : word;
                break;
            case Role::Count:
                arguments.count = word;
                arguments.countToken = token;
                break;
        }
    }
    return arguments;
}

}  // namespace rakor::Attrib::Automation

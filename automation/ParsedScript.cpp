#include "automation/ParsedScript.h"

#include <algorithm>

namespace rakor::Attrib::Automation {

ParsedScript::ParsedScript() : contents_(std::make_shared<Contents>()) {}

ParsedScript::Contents::~Contents() {
    // The store only holds the bytes; the actions are destroyed here, last first.
    if (!destroyActions) {
        return;
    }
    for (std::size_t i = lines.size(); i-- != 0;) {
        if (IAction* const action = lines[i].action) {
            action->~IAction();
        }
    }
}

void ParsedScript::AddError(int number, std::string message) {
    LineList& lines = contents_->lines;
    lines.MakeRoom();
    contents_->errors.emplace_back(number, std::move(message));
    lines.push_back({number, nullptr});
}

const std::string& ParsedScript::ErrorOf(const Line& line) const {
    const auto& errors = contents_->errors;
    const auto found = std::lower_bound(
        errors.begin(), errors.end(), line.number,
        [](const std::pair<int, std::string>& error, int number) { return error.first < number; });
    static const std::string kNone;
    return found != errors.end() && found->first == line.number ? found->second : kNone;
}

}  // namespace rakor::Attrib::Automation

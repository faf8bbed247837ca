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

const std::string& ParsedScript::AddError(int number, std::string message, const LineFacts& facts) {
    LineList& lines = contents_->lines;
    lines.MakeRoom();
    contents_->errors.push_back({number, std::move(message), facts});
    lines.push_back({number, nullptr});
    return contents_->errors.back().message;
}

namespace {

template <typename Error>
const Error* FindError(const std::vector<Error>& errors, int number) {
    const auto found =
        std::lower_bound(errors.begin(), errors.end(), number,
                         [](const Error& error, int wanted) { return error.number < wanted; });
    return found != errors.end() && found->number == number ? &*found : nullptr;
}

}  // namespace

const std::string& ParsedScript::ErrorOf(const Line& line) const {
    static const std::string kNone;
    const auto* const error = FindError(contents_->errors, line.number);
    return error != nullptr ? error->message : kNone;
}

const LineFacts& ParsedScript::FactsOf(const Line& line) const {
    static const LineFacts kNone;
    const auto* const error = FindError(contents_->errors, line.number);
    return error != nullptr ? error->facts : kNone;
}

}  // namespace rakor::Attrib::Automation

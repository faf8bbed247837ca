#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "automation/LineFacts.h"

namespace rakor::Attrib::Automation {

// The one exception through which actions fail. Its message is the formatted
// text and nothing else, e.g. "AddNode.Act => Class 'car' not found"; beside
// it travel the facts the message was made from, for a program to act on.
class EvaluationError : public std::runtime_error {
public:
    template <typename... Args>
    EvaluationError(const LineFacts& facts, fmt::format_string<Args...> format, Args&&... args)
        : std::runtime_error(fmt::format(format, std::forward<Args>(args)...)), facts_(facts) {}
    EvaluationError(const LineFacts& facts, const std::string& message)
        : std::runtime_error(message), facts_(facts) {}

    const LineFacts& Facts() const { return facts_; }

private:
    LineFacts facts_;
};

}  // namespace rakor::Attrib::Automation

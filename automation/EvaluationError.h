#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include <fmt/format.h>

namespace rakor::Attrib::Automation {

// The one exception through which actions fail. Its message is the formatted
// text and nothing else, e.g. "AddNode.Act => Class 'car' not found".
class EvaluationError : public std::runtime_error {
public:
    template <typename... Args>
    explicit EvaluationError(fmt::format_string<Args...> format, Args&&... args)
        : std::runtime_error(fmt::format(format, std::forward<Args>(args)...)) {}
};

}  // namespace rakor::Attrib::Automation

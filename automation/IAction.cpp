#include "automation/IAction.h"

#include <utility>

#include "automation/EvaluationError.h"

namespace rakor::Attrib::Automation {

void IAction::Act() {
    LineFacts facts;
    std::string message;
    if (!Attempt(facts, message)) {
        throw EvaluationError(facts, std::move(message));
    }
}

}  // namespace rakor::Attrib::Automation

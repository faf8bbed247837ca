#pragma once

#include <memory>
#include <vector>

#include "automation/IAction.h"

namespace rakor::Attrib::Automation {

// Runs its actions in order; the first one that fails ends it, and nothing
// done before is undone. No script line builds one; it exists for callers
// that want several edits to succeed or stop together.
class CompoundAction : public IAction {
public:
    CompoundAction() = default;
    explicit CompoundAction(const std::vector<std::shared_ptr<IAction>>& actions)
        : actions_(actions) {}

    // The facts of the last element that ran.
    bool Attempt(LineFacts& facts, std::string& message) override {
        for (const auto& action : actions_) {
            if (!action->Attempt(facts, message)) {
                return false;
            }
        }
        return true;
    }

private:
    std::vector<std::shared_ptr<IAction>> actions_;
};

}  // namespace rakor::Attrib::Automation

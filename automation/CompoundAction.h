#pragma once

#include <memory>
#include <vector>

#include "automation/IAction.h"

namespace rakor::Attrib::Automation {

// Runs its actions in order; the first one that throws ends it, and nothing
// done before is undone. No script line builds one; it exists for callers
// that want several edits to succeed or stop together.
class CompoundAction : public IAction {
public:
    CompoundAction() = default;
    explicit CompoundAction(const std::vector<std::shared_ptr<IAction>>& actions)
        : actions_(actions) {}

    void Act() override {
        for (const auto& action : actions_) {
            action->Act();
        }
    }
    // The facts of the last element that ran.
    void Act(LineFacts& facts) override {
        for (const auto& action : actions_) {
            action->Act(facts);
        }
    }

private:
    std::vector<std::shared_ptr<IAction>> actions_;
};

}  // namespace rakor::Attrib::Automation

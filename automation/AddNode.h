#pragma once

#include <string>

#include "automation/IAction.h"
#include "hash/Hashes.h"

namespace rakor::Attrib::Automation {

// "add_node class parent new" and "copy_node class parent unused new": the
// host builds a new collection as a child of an existing one. No values are
// copied; what the new collection does not set, it inherits from its parent.
class AddNode : public IAction {
public:
    AddNode(const std::string& className, const std::string& parentName,
            const std::string& newName);
    // Keys already made from the names (new, parent, class, in that order).
    AddNode(Hash32 classKey, Hash32 parentKey, Hash32 nameKey)
        : classKey_(classKey), parentKey_(parentKey), nameKey_(nameKey) {}

    bool Attempt(LineFacts& facts, std::string& message) override;

    // What the parser builds holds keys, numbers and views into its script.
    static constexpr bool kParsedFreesNothing = true;

private:
    Hash32 classKey_;
    Hash32 parentKey_;
    Hash32 nameKey_;
};

}  // namespace rakor::Attrib::Automation

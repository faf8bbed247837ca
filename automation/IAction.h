#pragma once

#include "automation/LineFacts.h"

namespace rakor::Attrib::Automation {

// One edit of the host database, built from one script line. Actions hold only
// keys, texts and numbers; Act() looks everything up in the host again and
// reports failure only by throwing (EvaluationError or a standard exception).
class IAction {
public:
    virtual ~IAction() = default;
    virtual void Act() = 0;
    // The same, telling `facts` what the line looked up and changed; an
    // EvaluationError carries them as they stood when it was thrown. For a
    // tool that follows a run: the game calls Act().
    virtual void Act(LineFacts& /*facts*/) { Act(); }
};

}  // namespace rakor::Attrib::Automation

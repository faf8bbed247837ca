#pragma once

#include <string>

#include "automation/LineFacts.h"

namespace rakor::Attrib::Automation {

// One edit of the host database, built from one script line. Actions hold only
// keys, texts and numbers; they look everything up in the host again when
// they run.
class IAction {
public:
    virtual ~IAction() = default;

    // Performs the edit. A failure the action foresees (a name the host does
    // not hold, a value its field does not take) throws EvaluationError; the
    // standard errors of making keys and of allocation pass through.
    virtual void Act();

    // The same for the script runner: a failure the action foresees comes
    // back as false, its cause in `facts` and the log's message in `message`
    // (replaced), instead of as an exception. A pack whose lines all fail
    // must not pay for unwinding on each of them. `facts` also tells what
    // the line looked up and changed.
    virtual bool Attempt(LineFacts& facts, std::string& message) = 0;
};

}  // namespace rakor::Attrib::Automation

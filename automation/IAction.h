#pragma once

namespace rakor::Attrib::Automation {

// One edit of the host database, built from one script line. Actions hold only
// keys, texts and numbers; Act() looks everything up in the host again and
// reports failure only by throwing (EvaluationError or a standard exception).
class IAction {
public:
    virtual ~IAction() = default;
    virtual void Act() = 0;
};

}  // namespace rakor::Attrib::Automation

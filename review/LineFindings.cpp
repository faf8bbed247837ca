#include "review/LineFindings.h"

namespace vxmod {

void LineFindings::Clear() {
    problem.reset();
    warningCount_ = 0;
    target.reset();
    words = {};
    holder.clear();
    made.reset();
    hashedText.reset();
}

std::string& LineFindings::NextWarning(FindingKind kind) {
    if (warningCount_ == warnings_.size()) {
        warnings_.emplace_back();
    }
    Warning& warning = warnings_[warningCount_++];
    warning.kind = kind;
    warning.text.clear();
    return warning.text;
}

}  // namespace vxmod

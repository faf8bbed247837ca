#include "LineFindings.h"

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

std::string& LineFindings::NextWarning() {
    if (warningCount_ == warnings_.size()) {
        warnings_.emplace_back();
    }
    std::string& warning = warnings_[warningCount_++];
    warning.clear();
    return warning;
}

}  // namespace vxmod

#include "review/LineFindings.h"

namespace vxmod {

void LineFindings::Clear() {
    warningCount_ = 0;
    target.reset();
    words = {};
    holder.clear();
    made.reset();
    hashedText.reset();
}

std::string* LineFindings::Warn(FindingKind kind) {
    if (warningCount_ == warnings_.size()) {
        warnings_.emplace_back();
    }
    Warning& warning = warnings_[warningCount_++];
    warning.kind = kind;
    warning.worded = !wanted_ || wanted_(kind);
    warning.text.clear();
    return warning.worded ? &warning.text : nullptr;
}

}  // namespace vxmod

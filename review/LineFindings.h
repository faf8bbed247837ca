#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "review/EditTarget.h"
#include "review/FindingKind.h"

namespace vxmod {

// What vxmod tells a modder about one line that ran, in a modder's words,
// and what it changed. Reused from line to line.
struct LineFindings {
    std::optional<std::string> problem;  // why the line failed
    std::optional<EditTarget> target;
    TargetWords words;
    std::string holder;  // what words.holder shows, when it is not the line's collection
    std::optional<MadeCollection> made;
    // A text that the field keeps only as its 64-bit hash (a view into the line).
    std::optional<std::string_view> hashedText;

    struct Warning {
        FindingKind kind = FindingKind::Unsorted;
        std::string text;
    };
    // What it ran as, if not as written.
    std::span<const Warning> Warnings() const { return {warnings_.data(), warningCount_}; }
    void AddWarning(FindingKind kind, std::string warning) {
        NextWarning(kind) = std::move(warning);
    }
    // An empty string for the next warning, which keeps the room an earlier
    // line's warning had: a large pack has a warning on a line in every few.
    std::string& NextWarning(FindingKind kind);

    void Clear();

private:
    std::vector<Warning> warnings_;
    std::size_t warningCount_ = 0;
};

}  // namespace vxmod

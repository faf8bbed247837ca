#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "review/EditTarget.h"
#include "review/FindingKind.h"

namespace vxmod {

// What vxmod tells a modder about one line that ran, and what it changed.
// Reused from line to line.
struct LineFindings {
    std::optional<EditTarget> target;
    TargetWords words;
    std::string holder;  // what words.holder shows, when it is not the line's collection
    std::optional<MadeCollection> made;
    // A text that the field keeps only as its 64-bit hash (a view into the line).
    std::optional<std::string_view> hashedText;

    // What the line ran as, if not as written: each warning's kind, and its
    // words where they were wanted when it was found.
    struct Warning {
        FindingKind kind = FindingKind::Unsorted;
        bool worded = false;
        std::string text;
    };
    std::span<const Warning> Warnings() const { return {warnings_.data(), warningCount_}; }

    // Whether the words of a warning are wanted as it is found, asked once
    // for each warning in the order they are found; none: all are. A large
    // pack has a warning on a line in every few, and a front end shows a few
    // of a kind: the others are noted without words.
    using Wanted = std::function<bool(FindingKind)>;
    void WordWhen(Wanted wanted) { wanted_ = std::move(wanted); }

    // The next warning of the line: the string for its words when they are
    // wanted, else null. It keeps the room an earlier line's warning had.
    std::string* Warn(FindingKind kind);

    void Clear();

private:
    Wanted wanted_;
    std::vector<Warning> warnings_;
    std::size_t warningCount_ = 0;
};

}  // namespace vxmod

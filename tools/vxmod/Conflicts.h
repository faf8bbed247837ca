#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Diagnostics.h"
#include "LineForecast.h"

namespace vxmod {

// Where a script line is: its display path and line number.
struct LinePlace {
    std::string path;
    int line = 0;

    bool operator==(const LinePlace&) const = default;
    std::string ToString() const { return path + ":" + std::to_string(line); }
};

// Which scripts set the same value, and which of them the game keeps: the
// one that runs last. Mods that overwrite each other do so silently in the
// game; this is where a modder learns of it.
class ConflictTracker {
public:
    // A line that succeeded, with what it set or made.
    void Edited(const LinePlace& place, const EditTarget& target, const std::string& value);
    // A collection made by add_node or copy_node. Returns the warning when it
    // took the place of one that was there already (its own values are lost),
    // unless the same line made that one on an earlier pass.
    std::optional<Diagnostic> Made(const LinePlace& place, const MadeCollection& made);

    // One warning per value set by more than one script, at the line that wins.
    std::vector<Diagnostic> Warnings() const;
    std::size_t Count() const;
    // Every such value with the script lines that set it (the last of each
    // script), in the order they ran.
    void WriteList(std::ostream& out) const;

private:
    struct Edit {
        LinePlace place;
        std::string value;
        std::size_t sequence = 0;  // when it ran
    };
    struct Record {
        std::string described;
        // The last line of each script that set it: within one script the
        // last line is the one that counts, and a value set on every line of
        // a long script must not grow the record.
        std::vector<Edit> lastOfScript;
    };
    // Packs set hundreds of thousands of values: found by hash, not by order.
    struct TargetHash {
        std::size_t operator()(const EditTarget& target) const;
    };

    std::vector<Record> Conflicting() const;

    std::unordered_map<EditTarget, Record, TargetHash> edits_;
    std::vector<const Record*> order_;  // by the first edit of each target, for a stable listing
    std::map<std::pair<uint32_t, uint32_t>, LinePlace> makers_;
    std::vector<std::pair<std::string, std::vector<std::string>>> remade_;
    std::size_t sequence_ = 0;
};

}  // namespace vxmod

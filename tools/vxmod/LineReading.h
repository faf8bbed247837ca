#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automation/CommandParser.h"
#include "automation/LineTokens.h"

namespace vxmod {

// The words of a line, split as the loader splits them.
using LineWords = rakor::Attrib::Automation::LineTokens;

// A script line as the loader reads it, word by word, for messages that talk
// about its parts. Follows the command table: which word is the class, the
// collection, the field, the member and the value. Every text is a view into
// the line that was read.
struct LineReading {
    // What the command does: add_node and copy_node make a collection.
    enum class Does { MakeCollection, Resize, Update };

    const rakor::Attrib::Automation::Command* command = nullptr;
    Does does = Does::Update;
    LineWords tokens;
    std::string_view className;
    std::string_view collection;     // update_field, resize_field: the collection; else the parent
    std::string_view newCollection;  // add_node, copy_node
    std::string_view field;          // the field's name, without a subscript
    bool hasSubscript = false;
    int32_t index = 0;
    std::optional<std::string_view> member;
    std::string_view valueToken;  // as written; "" for resize_field
    std::string_view value;       // as the loader takes it: the token "" is the empty text
    uint32_t count = 0;           // resize_field
};

// Empty for a line that builds no action: blank, comment, unknown command,
// a command that does nothing, too few words, or a subscript that cannot be
// read. The reading points into `line`.
std::optional<LineReading> ReadLine(std::string_view line);

// Why a six-word update_field does not do what its quotes suggest: the same
// sentence whichever command finds it.
std::string SixWordReading(const LineReading& line);

}  // namespace vxmod

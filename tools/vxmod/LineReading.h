#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "automation/CommandParser.h"

namespace vxmod {

// A script line as the loader reads it, word by word, for messages that talk
// about its parts. Follows the command table: which word is the class, the
// collection, the field, the member and the value.
struct LineReading {
    const rakor::Attrib::Automation::Command* command = nullptr;
    std::vector<std::string> tokens;
    std::string className;
    std::string collection;     // update_field, resize_field: the collection; else the parent
    std::string newCollection;  // add_node, copy_node
    std::string field;          // the field's name, without a subscript
    bool hasSubscript = false;
    int32_t index = 0;
    std::optional<std::string> member;
    std::string valueToken;  // as written; "" for resize_field
    std::string value;       // as the loader takes it: the token "" is the empty text
    uint32_t count = 0;      // resize_field

    bool Is(std::string_view word) const;
};

// Empty for a line that builds no action: blank, comment, unknown command,
// a command that does nothing, too few words, or a subscript that cannot be
// read.
std::optional<LineReading> ReadLine(const std::string& line);

// The lines of a script as the loader splits them (at line feeds), so that
// line numbers match the loader's.
std::vector<std::string> SplitLines(const std::string& text);

// Why a six-word update_field does not do what its quotes suggest: the same
// sentence whichever command finds it.
std::string SixWordReading(const LineReading& line);

}  // namespace vxmod

#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "review/FindingPlace.h"
#include "review/PackSession.h"

namespace vxmod {

struct CompletionItem {
    enum class Kind { Command, Class, Collection, Field, Member, Value, Subscript };
    Kind kind = Kind::Value;
    std::string label{};
    std::string detail{};         // a field's type, a command's arguments, ...
    std::string documentation{};  // how a field's values are written, ...
    // A command: the arguments to write after it, by what they are.
    std::vector<std::string> arguments{};
};

// What may be written at a place of a script, and the bytes of its line the
// choice takes the place of.
struct Completions {
    WordSpan replaced{};
    std::vector<CompletionItem> items{};
};

// At byte `at` of line `line` (from 0): a command word; else what the
// command's row says the argument is: the database's classes, the class's
// collections (those that earlier lines make counted, as the database holds
// them when the line runs), its fields with their types, a field's members,
// an array's subscripts within its count, True and False.
Completions CompleteAt(PackSession& session, const PackSession::Script& script, std::size_t line,
                       std::size_t at);

}  // namespace vxmod

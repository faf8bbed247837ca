#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "review/FindingPlace.h"
#include "review/PackSession.h"

namespace vxmod {

// A class, collection or field name written in a script line, known by its
// key (and its class's, for a collection or field: the same name in
// another class is another collection).
struct WrittenName {
    enum class Kind { Class, Collection, Field };
    Kind kind = Kind::Class;
    uint32_t classKey = 0;
    uint32_t key = 0;
    bool made = false;  // the new collection of add_node or copy_node
};

// Where a name is written in the pack.
struct NamePlace {
    const PackSession::Script* script = nullptr;
    std::size_t line = 0;  // from 0
    WordSpan word{};
    bool made = false;
};

// The name at byte `at` of a line, if the word there is one.
std::optional<std::pair<WrittenName, WordSpan>> NameAt(std::string_view line, std::size_t at);

// Every place in the pack's scripts (in the game's order, then the others)
// where the name is written; `madeOnly`: only where add_node or copy_node
// makes it.
std::vector<NamePlace> PlacesOf(const PackSession& session, const WrittenName& name, bool madeOnly);

// The collections a script makes and touches, each with the fields its
// lines set, for an outline of the script.
struct ScriptSymbol {
    std::string name{};
    std::string detail{};
    std::size_t firstLine = 0;  // from 0
    std::size_t lastLine = 0;
    WordSpan word{};  // on the first line
    bool collection = true;
    std::vector<ScriptSymbol> children{};
};
std::vector<ScriptSymbol> SymbolsOf(std::string_view text);

}  // namespace vxmod

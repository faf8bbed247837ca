#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "description/ValueForms.h"
#include "loader/GameNames.h"
#include "loader/ScriptNames.h"

namespace spdlog {
class logger;
}

namespace rakor {

class GameRecords;

// The game's attribute database, as far as mod scripts reach it, written as a
// database description that vxmod reads (loader/GameRecords.h says which
// classes, collections and fields), with every value as the game holds it.
//
// It reads what the library reads when it runs a line, and nothing else: the
// host's lookups and the records of host/HostRecords.h. It writes nothing to
// the game's memory, has the game make nothing, and leaves the library's own
// state (the hash resolver's names, the type registry) as it found it, so
// that the pass runs as it would without. Each class's records, and each
// collection's, are read through the fault guard: a record that cannot be
// read leaves a note in the description and a problem for the log, and the
// rest is written.
class GameDescription {
public:
    // `hashList`: the hash list file's text, if there is one.
    GameDescription(ScriptNames scripts, std::optional<std::string> hashList, spdlog::logger& log);
    GameDescription(const GameDescription&) = delete;
    GameDescription& operator=(const GameDescription&) = delete;

    struct Written {
        std::size_t classes = 0;
        std::size_t collections = 0;
        std::size_t notes = 0;              // the notes on classes, fields and collections
        std::vector<std::string> problems;  // what could not be read, one line each
    };
    // Writes the database as it is now, handing the text to `write` piece by
    // piece as it is made; `note` says what the document is, for people.
    Written Describe(const std::string& note,
                     const std::function<void(std::string_view piece)>& write);

private:
    std::string ClassName(const GameRecords& records, uint32_t cls);
    std::string CollectionName(const GameRecords& records, uint32_t collection);

    GameNames names_;
    Description::NameWriter nameWriter_;
    spdlog::logger& log_;
    // A collection that neither a script nor the hash list names has no name
    // the game's records give: it is named after the child it was reached
    // from (or by the key a value refers to it by), the same name in every
    // description of this game start. So is a class that nothing names,
    // after the collection it was reached through.
    std::unordered_map<const void*, std::string> unnamed_;
    std::unordered_map<const void*, std::string> unnamedClasses_;
};

}  // namespace rakor

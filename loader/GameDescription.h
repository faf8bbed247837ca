#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "description/ValueForms.h"
#include "loader/ScriptNames.h"

namespace spdlog {
class logger;
}

namespace rakor {

// The game's attribute database, as far as mod scripts reach it, written as a
// database description that vxmod reads: the classes the scripts name; for
// each, the collections the scripts or the hash list name and their parents up
// to the root; the class's fields as its layout table, the collections' own
// entries and the field definitions show them; and every collection's values.
//
// It reads what the library reads when it runs a line, and nothing else: the
// host's lookups and the records of host/HostRecords.h. It writes nothing to
// the game's memory and has the game make nothing. Each class, and each
// collection's values, is read through the fault guard: a record that cannot
// be read leaves a note in the description and a problem for the log, and the
// rest is written.
class GameDescription {
public:
    GameDescription(ScriptNames named, spdlog::logger& log);
    GameDescription(const GameDescription&) = delete;
    GameDescription& operator=(const GameDescription&) = delete;

    struct Written {
        nlohmann::ordered_json document;
        std::size_t classes = 0;
        std::size_t collections = 0;
        std::vector<std::string> problems;  // what could not be read, one line each
    };
    // The database as it is now; `note` says what the document is, for people.
    Written Describe(const std::string& note);

private:
    std::string Hash64Text(uint64_t hash);

    ScriptNames named_;
    std::vector<uint32_t> listed_;
    // The hash list's lines by their 64-bit hash, made when a 64-bit hash no
    // script word gives is first met.
    std::optional<std::unordered_map<uint64_t, std::string_view>> listed64_;
    Description::NameWriter names_;
    spdlog::logger& log_;
    // A collection that neither a script nor the hash list names has no name
    // the game's records give: it is named after the child it was reached
    // from, the same name in every description of this game start.
    std::unordered_map<const void*, std::string> unnamed_;
};

}  // namespace rakor

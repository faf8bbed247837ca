#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

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
    // `namedKeys`: the keys the scripts name, in the order they first name them.
    GameDescription(std::vector<uint32_t> namedKeys, spdlog::logger& log);

    struct Written {
        nlohmann::ordered_json document;
        std::size_t classes = 0;
        std::size_t collections = 0;
        std::vector<std::string> problems;  // what could not be read, one line each
    };
    // The database as it is now; `note` says what the document is, for people.
    Written Describe(const std::string& note);

private:
    std::vector<uint32_t> named_;
    std::vector<uint32_t> listed_;
    spdlog::logger& log_;
    // A collection that neither a script nor the hash list names has no name
    // the game's records give: it is named after the child it was reached
    // from, the same name in every description of this game start.
    std::unordered_map<const void*, std::string> unnamed_;
};

}  // namespace rakor

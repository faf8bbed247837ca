#pragma once

#include <set>
#include <string>

#include <nlohmann/json.hpp>

namespace vexa::test {

// Every name a database description holds (keys and texts), one a line: a
// hash list that names everything in it.
inline std::string HashListOf(const nlohmann::ordered_json& description) {
    std::set<std::string> names;
    const auto collect = [&](const auto& self, const nlohmann::ordered_json& at) -> void {
        if (at.is_object()) {
            for (const auto& [name, item] : at.items()) {
                names.insert(name);
                self(self, item);
            }
        } else if (at.is_array()) {
            for (const auto& item : at) {
                self(self, item);
            }
        } else if (at.is_string()) {
            names.insert(at.get<std::string>());
        }
    };
    collect(collect, description);
    std::string list;
    for (const std::string& name : names) {
        list += name + "\n";
    }
    return list;
}

}  // namespace vexa::test

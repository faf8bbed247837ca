#include "hash/HashResolver.h"

#include <map>
#include <sstream>

#include "host/HostApi.h"
#include "host/TextFile.h"

namespace rakor::Attrib {
namespace {

struct ResolverState {
    std::map<uint32_t, std::string> names;
    bool listLoaded = false;
};

// Created on first use, whichever static object of a tool or a test records
// the first name.
ResolverState& State() {
    static ResolverState state;
    return state;
}

}  // namespace

void HashResolver::Record(uint32_t hash, const std::string& name) {
    State().names[hash] = name;
}

std::string HashResolver::Resolve(uint32_t hash) {
    ResolverState& state = State();
    if (!state.listLoaded) {
        LoadList();
    }
    // Looking up inserts: an unnamed hash keeps an empty entry from now on.
    const std::string& name = state.names[hash];
    if (!name.empty()) {
        return name;
    }
    std::ostringstream text;
    text << kUnresolvedPrefix << "0x" << std::hex << hash;
    return text.str();
}

void HashResolver::LoadList() {
    ResolverState& state = State();
    // A missing or unreadable list is not an error; it is looked for once.
    if (const auto content = ReadTextFile(kHashListPath)) {
        std::istringstream lines(*content);
        std::string line;
        // Every line is a name, exactly as written: blanks and "0x" included.
        while (std::getline(lines, line)) {
            state.names[Host::HashString32(line.c_str())] = line;
        }
    }
    state.listLoaded = true;
}

void HashResolver::ResetForTesting() {
    State().names.clear();
    State().listLoaded = false;
}

std::size_t HashResolver::TableSizeForTesting() {
    return State().names.size();
}

}  // namespace rakor::Attrib

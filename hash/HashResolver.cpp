#include "hash/HashResolver.h"

#include <memory>

#include <fmt/format.h>

#include "hash/NameTable.h"
#include "host/HostApi.h"
#include "host/TextFile.h"

namespace rakor::Attrib {
namespace {

struct ResolverState {
    std::unique_ptr<NameTable> names = std::make_unique<NameTable>();
    bool listLoaded = false;
    // Generations of the tables before this one, so that a reset never gives
    // a generation again.
    uint32_t generationBase = 0;
};

// Created on first use, whichever static object of a tool or a test records
// the first name.
ResolverState& State() {
    static ResolverState state;
    return state;
}

// List lines are names as written: "0x" lines too go to the host's hash.
uint32_t HashListLine(const std::string& line) {
    return Host::HashString32(line.c_str());
}

}  // namespace

void HashResolver::Record(uint32_t hash, std::string_view name) {
    State().names->Record(hash, name);
}

uint32_t HashResolver::KeyOfText(std::string_view text, uint32_t (*hash)(const std::string&)) {
    return State().names->KeyOf(text, hash);
}

std::string HashResolver::Resolve(uint32_t hash) {
    const std::string_view name = NameOf(hash);
    if (!name.empty()) {
        return std::string(name);
    }
    return fmt::format("{}0x{:x}", kUnresolvedPrefix, hash);
}

std::string_view HashResolver::NameOf(uint32_t hash) {
    ResolverState& state = State();
    if (!state.listLoaded) {
        LoadList();
    }
    // Looking up inserts: an unnamed hash keeps an empty entry from now on.
    return state.names->NameOf(hash);
}

std::vector<uint32_t> HashResolver::ListedHashes() {
    ResolverState& state = State();
    if (!state.listLoaded) {
        LoadList();
    }
    return state.names->ListedKeys();
}

void HashResolver::LoadList() {
    ResolverState& state = State();
    // A missing or unreadable list is not an error; it is looked for once.
    if (auto content = ReadTextFile(kHashListPath)) {
        state.names->AddList(std::move(*content), &HashListLine);
    }
    state.listLoaded = true;
}

std::string_view HashResolver::ListText() {
    ResolverState& state = State();
    if (!state.listLoaded) {
        LoadList();
    }
    return state.names->ListText();
}

uint32_t HashResolver::Generation() {
    const ResolverState& state = State();
    return state.generationBase + state.names->Displacements();
}

void HashResolver::ResetForTesting() {
    ResolverState& state = State();
    state.generationBase += state.names->Displacements() + 1;
    state.names = std::make_unique<NameTable>();
    state.listLoaded = false;
}

std::size_t HashResolver::TableSizeForTesting() {
    return State().names->Size();
}

}  // namespace rakor::Attrib

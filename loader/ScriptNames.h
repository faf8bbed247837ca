#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/Arena.h"

namespace rakor {

struct ScriptNames {
    // Every word's key, in the order the scripts first use it.
    std::vector<uint32_t> keys;
    // The word each key was made from (up to a NUL byte in it, where the
    // game's hash stops); none for a key written "0x...".
    std::unordered_map<uint32_t, std::string_view> names;
    // The words by their 64-bit hash: a field of a 64-bit hash type holds
    // only the hash of the text a script gave it.
    std::unordered_map<uint64_t, std::string_view> texts64;
    // Where the words lie, each once.
    std::unique_ptr<Arena> words = std::make_unique<Arena>(64 * 1024, 1024 * 1024);
};

// The names that the scripts below `directory` use: every word after a
// command word, so classes, collections, parents and fields (the name before
// a subscript too), and values that may name a collection (the collection of
// a reference field, say), but not a value or a count that is a number: a
// pack of a million lines sets a million numbers, and none is a name. The folder is walked as a
// pass walks it, and each script read as the pass reads it, but nothing is parsed into actions and
// nothing runs: the hash resolver learns no name, and what the pass will ask
// of the game is left as it was. Each name's key is made as the pass makes
// it, by the game's hash; a word that is no key ("0xZZ") is left out.
ScriptNames NamesTheScriptsUse(const std::filesystem::path& directory);

}  // namespace rakor

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace rakor {

struct ScriptNames {
    std::vector<uint32_t> keys;
    // The words by their 64-bit hash: a field of a 64-bit hash type holds
    // only the hash of the text a script gave it.
    std::unordered_map<uint64_t, std::string> texts64;
};

// The names that the scripts below `directory` use, as keys in the order they
// first use them, and as 64-bit hashes: every word after a command word, so classes,
// collections and parents, and values that may name a collection (the
// collection of a reference field, say). The scripts are walked and parsed as
// a pass walks and parses them, and none of their lines runs; nothing is
// logged. Each name is made into its key as the pass makes it (and so
// recorded with the hash resolver): a word that is no key ("0xZZ") is left out.
ScriptNames NamesTheScriptsUse(const std::filesystem::path& directory);

}  // namespace rakor

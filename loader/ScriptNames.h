#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace rakor {

// The keys of the names that the scripts below `directory` use, in the order
// they first use them: every word after a command word, so classes,
// collections and parents, and values that may name a collection (the
// collection of a reference field, say). The scripts are walked and parsed as
// a pass walks and parses them, and none of their lines runs; nothing is
// logged. Each name is made into its key as the pass makes it (and so
// recorded with the hash resolver): a word that is no key ("0xZZ") is left out.
std::vector<uint32_t> KeysTheScriptsName(const std::filesystem::path& directory);

}  // namespace rakor

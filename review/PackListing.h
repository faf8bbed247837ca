#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vxmod {

// One script of a pack as the game's walk finds it.
struct ListedScript {
    std::filesystem::path path;
    // As the game's log names it: "AttribMods/cars/tune.vxmod".
    std::string displayPath;
    // As the loader reads it; none when it cannot be read (or is a folder
    // named like a script, which counts as a script without lines).
    std::optional<std::string> text;
};

// The scripts below `scriptFolder` (an AttribMods folder) in the order the
// game runs them, walked by the loader's own walk in the order the game's
// file system lists each folder.
std::vector<ListedScript> ListPack(const std::filesystem::path& scriptFolder);

// The display path of a file below the script folder, as the game would show it.
std::string DisplayPathIn(const std::filesystem::path& scriptFolder,
                          const std::filesystem::path& file);

}  // namespace vxmod

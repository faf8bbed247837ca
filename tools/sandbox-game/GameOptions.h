#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

namespace sandbox_game {

// The options of `vxmod run` where they mean the same, and the game's own.
struct GameOptions {
    bool help = false;
    std::optional<std::filesystem::path> dll;       // none: the plug-in in the game's folder
    std::optional<std::filesystem::path> database;  // none: the built-in example
    std::optional<std::filesystem::path> dump;
    int passes = 1;
    std::filesystem::path folder = "AttribMods";
    bool occupyPreferredBase = false;
    bool unsupportedVersion = false;
    bool entryReasons = false;
    bool freeLibrary = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program name. Throws UsageError.
GameOptions ParseGameOptions(std::span<const std::wstring> arguments);

std::string GameHelpText();

}  // namespace sandbox_game

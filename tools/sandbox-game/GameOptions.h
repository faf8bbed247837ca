#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "GameImage.h"

namespace sandbox_game {

// The options of `vxmod run` where they mean the same, and the game's own.
struct GameOptions {
    bool help = false;
    std::optional<std::filesystem::path> dll;       // none: the plug-in in the game's folder
    std::optional<std::filesystem::path> database;  // none: the built-in example
    std::optional<std::filesystem::path> dump;
    int passes = 1;
    std::filesystem::path folder = "AttribMods";
    // The folder the game runs in while the plug-in loads (a launcher's, say);
    // none: the game's own folder, where FOLDER lies.
    std::optional<std::filesystem::path> runIn;
    bool ownFolderBeforePass = false;  // then changes to its own, before the first frame
    bool occupyPreferredBase = false;
    bool unsupportedVersion = false;
    bool entryReasons = false;
    bool freeLibrary = false;
    // Field conditions: what other mods and the game's state do to a plug-in.
    std::vector<std::filesystem::path> loadBefore;    // modules loaded before the plug-in
    std::vector<std::filesystem::path> loadAfter;     // and after it
    std::optional<std::filesystem::path> secondCopy;  // another copy, loaded after pass 1
    std::string faultClass;                           // the class GetClass plays a fault for
    ClassFault classFault = ClassFault::None;
    int passStackKilobytes = 0;  // each frame on a new thread with this stack; 0: the main thread
    int nullDatabasePasses = 0;  // passes played while the database word is null
    // Files of the game's folder held open without sharing, as by another
    // program: the plug-in's log, a script.
    std::vector<std::filesystem::path> held;
    ArgumentPopping popping = ArgumentPopping::Caller;
    RemovedCode removedCode = RemovedCode::Game;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program name. Throws UsageError.
GameOptions ParseGameOptions(std::span<const std::wstring> arguments);

std::string GameHelpText();

}  // namespace sandbox_game

#pragma once

#include <filesystem>
#include <string>

namespace spdlog {
class logger;
}

// The loader inside the game. Windows only.
namespace rakor {

// What the game's patched call runs: every script below `directory`, with
// failures in the library's log file and one warning box per script that had
// any. Whatever goes wrong is logged; nothing reaches the game's code. A pass
// while the game has no attribute database runs nothing and says so.
void LoadScriptDirectory(const std::filesystem::path& directory) noexcept;

// The library's log, "./VexaAttribLoader.Tormelin.log", emptied when the
// first copy of the library in the game is loaded; a second copy adds to it.
// Its boxes name it in full when it is not beside the game's .exe.
spdlog::logger& LibraryLog();

// The full path of the folder the scripts are read from ("AttribMods" in the
// game's working folder), as the log last named it: the start-up line names
// the one of the game's start, and a pass from another folder says so.
const std::string& ScriptFolderNamed();

// The log's full path.
const std::string& LibraryLogPath();

// Whether this is the first copy of the loader in the game's process. A
// second one (a renamed copy, or one in a second plug-in folder) must leave
// the first copy's patches and log alone.
bool IsFirstCopyInGame();

}  // namespace rakor

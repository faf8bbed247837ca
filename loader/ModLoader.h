#pragma once

#include <filesystem>

namespace spdlog {
class logger;
}

// The loader inside the game. Windows only.
namespace rakor {

// What the game's patched call runs: every script below `directory`, with
// failures in the library's log file and one warning box per script that had
// any. Whatever goes wrong is logged; nothing reaches the game's code.
void LoadScriptDirectory(const std::filesystem::path& directory) noexcept;

// The library's log, "./VexaAttribLoader.Tormelin.log", emptied when the
// library is loaded.
spdlog::logger& LibraryLog();

}  // namespace rakor

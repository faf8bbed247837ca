#pragma once

#include <filesystem>

namespace rakor {

// What the game's patched call runs: every script below `directory`, with
// failures in the library's log file and one warning box per script that had
// any. Never throws. Windows only.
void LoadScriptDirectory(const std::filesystem::path& directory);

}  // namespace rakor

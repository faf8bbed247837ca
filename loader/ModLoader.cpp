#include "loader/ModLoader.h"

#include <string>

#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "loader/WarningBox.h"

namespace rakor {
namespace {

// Created while the library loads, before the game reaches the patched call,
// so every load of the library starts the log file empty.
const std::shared_ptr<spdlog::logger> gLibraryLogger =
    CreateLoaderLogger(std::string("./") + kLogFileName);

}  // namespace

void LoadScriptDirectory(const std::filesystem::path& directory) {
    ScriptRunner(gLibraryLogger, ShowWarningBox).LoadScriptDirectory(directory);
}

}  // namespace rakor

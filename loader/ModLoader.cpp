#include "loader/ModLoader.h"

#include <exception>
#include <string>

#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "loader/WarningBox.h"

namespace rakor {
namespace {

// Created while the library loads, before the game reaches the patched call,
// so every load of the library starts the log file empty. Creating it calls
// no game code.
const std::shared_ptr<spdlog::logger> gLibraryLogger =
    CreateLoaderLogger(std::string("./") + kLogFileName);

}  // namespace

spdlog::logger& LibraryLog() {
    return *gLibraryLogger;
}

void LoadScriptDirectory(const std::filesystem::path& directory) noexcept {
    // The runner turns everything that goes wrong in the walk into log lines;
    // this guards what lies around it (building the runner, its summary).
    // spdlog's own calls never throw.
    try {
        ScriptRunner(gLibraryLogger, ShowWarningBox).LoadScriptDirectory(directory);
    } catch (const std::exception& error) {
        gLibraryLogger->error("Stopped running the mod scripts: {}", error.what());
    } catch (...) {
        gLibraryLogger->error("Stopped running the mod scripts: unknown error");
    }
    gLibraryLogger->flush();
}

}  // namespace rakor

#include "loader/ModLoader.h"

#include <windows.h>

#include <exception>
#include <string>

#include "host/HostApi.h"
#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "loader/Snapshot.h"
#include "loader/WarningBox.h"

namespace rakor {
namespace {

// A name that only a copy of this loader in this very process creates. Its
// handle is never closed: the mark lasts as long as the process.
bool MarkFirstCopy() {
    const std::wstring name =
        L"Local\\VexaAttribLoader.Tormelin.loaded." + std::to_wstring(GetCurrentProcessId());
    const HANDLE mark = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    return mark == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
}

// Made while the library loads, before the game reaches the patched call, so
// every start of the game begins its log empty, and before the log (a second
// copy must not empty the first copy's). Neither calls game code.
const bool gFirstCopy = MarkFirstCopy();
const LoaderLog gLibraryLog = CreateLoaderLog(std::string("./") + kLogFileName,
                                              gFirstCopy ? LogStart::Empty : LogStart::Continue);

// The snapshot is looked for once, on the first pass that runs the scripts.
bool gSnapshotLookedFor = false;

}  // namespace

spdlog::logger& LibraryLog() {
    return *gLibraryLog.logger;
}

bool IsFirstCopyInGame() {
    return gFirstCopy;
}

void LoadScriptDirectory(const std::filesystem::path& directory) noexcept {
    spdlog::logger& log = *gLibraryLog.logger;
    // Every action starts from the database object: a pass before the game
    // has one (or after it dropped it) has nothing to edit.
    if (Host::DatabaseInstance() == nullptr) {
        log.warn(
            "The game's attribute database is not there (its instance word is null): this pass "
            "runs no mod script. They run the next time the game passes this point.");
        log.flush();
        return;
    }
    // Asked for by a folder the modder made; without it, this one look costs nothing more.
    std::unique_ptr<Snapshot> snapshot;
    if (!gSnapshotLookedFor) {
        gSnapshotLookedFor = true;
        snapshot = Snapshot::IfAsked(directory, log);
    }
    // The runner turns everything that goes wrong in the walk into log lines;
    // this guards what lies around it (building the runner, its summary).
    // spdlog's own calls never throw.
    try {
        if (snapshot) {
            snapshot->Before();
        }
        ScriptRunner(gLibraryLog.logger, ShowWarningBox, nullptr, gLibraryLog.status)
            .LoadScriptDirectory(directory);
        if (snapshot) {
            snapshot->After();
        }
    } catch (const std::exception& error) {
        log.error("Stopped running the mod scripts: {}", error.what());
    } catch (...) {
        log.error("Stopped running the mod scripts: unknown error");
    }
    log.flush();
}

}  // namespace rakor

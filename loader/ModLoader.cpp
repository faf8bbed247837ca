#include "loader/ModLoader.h"

#include <windows.h>

#include <exception>
#include <string>
#include <system_error>

#include "host/HostApi.h"
#include "loader/FullPath.h"
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

// The folder of the game's .exe: where a modder looks for the log.
std::filesystem::path GameFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

// The log goes where the game runs. A launcher may start the game in its own
// folder: a box then names the log in full, or the modder looks beside the
// game's .exe and finds nothing (or last week's log).
LoaderLog OpenLibraryLog(LogStart start) {
    LoaderLog log = CreateLoaderLog(std::string("./") + kLogFileName, start);
    std::error_code error;
    if (!std::filesystem::equivalent(".", GameFolder(), error)) {
        log.status->NameInFull();
    }
    return log;
}

// Made while the library loads, before the game reaches the patched call, so
// every start of the game begins its log empty, and before the log (a second
// copy must not empty the first copy's). Neither calls game code.
const bool gFirstCopy = MarkFirstCopy();
const LoaderLog gLibraryLog = OpenLibraryLog(gFirstCopy ? LogStart::Empty : LogStart::Continue);
// The folder the scripts are read from, in full, as the log last named it.
std::string gScriptFolder = FullPath(kScriptDirectory);

// The snapshot is looked for once, on the first pass that runs the scripts.
bool gSnapshotLookedFor = false;

}  // namespace

spdlog::logger& LibraryLog() {
    return *gLibraryLog.logger;
}

bool IsFirstCopyInGame() {
    return gFirstCopy;
}

const std::string& ScriptFolderNamed() {
    return gScriptFolder;
}

const std::string& LibraryLogPath() {
    return gLibraryLog.status->Where();
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
        // The scripts are read from the game's working folder, which the game
        // (or a launcher) may have changed since the start-up line named it.
        if (std::string folder = FullPath(directory); folder != gScriptFolder) {
            log.info(
                "From this pass on, the mod scripts are read from {}: the game has changed its "
                "working folder since it started (this log stays {}).",
                folder, LibraryLogPath());
            gScriptFolder = std::move(folder);
        }
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

#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <spdlog/logger.h>

#include "loader/FolderIdentity.h"

namespace rakor {

// Shows the warning for a script that had failed lines and returns when the
// user has closed it. In the game this is a message box; tools print it.
using WarningNotifier = std::function<void(const std::string& caption, const std::string& text)>;

inline constexpr const char* kLogFileName = "VexaAttribLoader.Tormelin.log";
inline constexpr const char* kLoggerName = "VexaAttribLoader.Tormelin";
inline constexpr const char* kWarningCaption = "Vexa Attrib Loader - Tormelin";
inline constexpr const char* kScriptDirectory = "AttribMods";
inline constexpr const char* kScriptExtension = ".vxmod";

// One failed script line, for callers that report more than the log does.
struct LineFailure {
    std::string displayPath;
    int line = 0;
    std::string message;
};

struct RunSummary {
    int scripts = 0;
    int succeeded = 0;
    int failed = 0;
    std::vector<LineFailure> failures;
};

// Walks a script directory depth-first in listing order, parses each ".vxmod"
// script whole, then runs its lines one by one. A failed line is logged and
// counted and never stops the others; nothing that goes wrong in the walk
// leaves this class as an exception. The log is flushed before a warning is
// shown and at the end of every pass.
class ScriptRunner {
public:
    ScriptRunner(std::shared_ptr<spdlog::logger> log, WarningNotifier notify);

    RunSummary LoadScriptDirectory(const std::filesystem::path& directory);

    // The path as the walk reached it, in UTF-8 with forward slashes.
    static std::string DisplayPath(const std::filesystem::path& path);
    // A name that begins with "!": the walk skips such files and folders.
    static bool IsDisabled(const std::filesystem::path& path);
    // A name the walk runs as a script: extension exactly ".vxmod" (case
    // matters, and a name that is only ".vxmod" has no extension), not disabled.
    static bool IsScriptName(const std::filesystem::path& path);

private:
    void Walk(const std::filesystem::path& directory);
    void VisitEntry(const std::filesystem::directory_entry& entry);
    void RunScript(const std::filesystem::path& script);

    std::shared_ptr<spdlog::logger> log_;
    WarningNotifier notify_;
    RunSummary summary_;
    std::set<FolderIdentity> walked_;
};

}  // namespace rakor

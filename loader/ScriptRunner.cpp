#include "loader/ScriptRunner.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "automation/CommandParser.h"
#include "host/TextFile.h"

namespace rakor {
namespace fs = std::filesystem;

ScriptRunner::ScriptRunner(std::shared_ptr<spdlog::logger> log, WarningNotifier notify)
    : log_(std::move(log)), notify_(std::move(notify)) {}

std::string ScriptRunner::DisplayPath(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    std::string text(utf8.begin(), utf8.end());
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool ScriptRunner::IsDisabled(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return !name.empty() && name.front() == u8'!';
}

bool ScriptRunner::IsScriptName(const fs::path& path) {
    return path.extension() == kScriptExtension && !IsDisabled(path);
}

RunSummary ScriptRunner::LoadScriptDirectory(const fs::path& directory) {
    summary_ = {};
    walked_.clear();
    // The host must never see an exception from a mod run, whatever it is.
    try {
        Walk(directory);
    } catch (const std::exception& error) {
        log_->warn("[{}] Stopped walking the script directory: {}", DisplayPath(directory),
                   error.what());
    } catch (...) {
        log_->warn("[{}] Stopped walking the script directory: unknown error",
                   DisplayPath(directory));
    }
    return summary_;
}

void ScriptRunner::Walk(const fs::path& directory) {
    std::error_code error;
    if (!fs::exists(directory, error) || IsDisabled(directory)) {
        return;
    }
    // A link that leads back to a folder already walked would loop forever.
    const fs::path identity = fs::weakly_canonical(directory, error);
    if (!error && !walked_.insert(identity).second) {
        log_->warn("[{}] Skipped: this folder was already walked (a link leads back to it)",
                   DisplayPath(directory));
        return;
    }

    fs::directory_iterator entries(directory, error);
    if (error) {
        log_->warn("[{}] Could not list the folder: {}", DisplayPath(directory), error.message());
        return;
    }
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::path path = entries->path();
        // One entry that cannot be handled must not end the walk.
        try {
            VisitEntry(*entries);
        } catch (const std::exception& failure) {
            log_->warn("[{}] Skipped: {}", DisplayPath(path), failure.what());
        }
    }
    if (error) {
        log_->warn("[{}] Could not list the whole folder: {}", DisplayPath(directory),
                   error.message());
    }
}

void ScriptRunner::VisitEntry(const fs::directory_entry& entry) {
    const fs::path& path = entry.path();
    std::error_code statusError;
    if (entry.is_directory(statusError)) {
        Walk(path);
    } else if (statusError && statusError != std::errc::no_such_file_or_directory) {
        // A link to nothing is simply not a folder; anything else is worth a line.
        log_->warn("[{}] Could not read the entry: {}", DisplayPath(path), statusError.message());
    }
    // A folder named like a script is walked and then also taken as one.
    if (IsScriptName(path)) {
        RunScript(path);
    }
}

void ScriptRunner::RunScript(const fs::path& script) {
    const std::string displayPath = DisplayPath(script);
    // A file that cannot be read yields no lines: a summary of 0 and 0.
    std::istringstream text(ReadTextFile(script).value_or(std::string()));
    auto lines = Attrib::Automation::ParseScript(text);

    int succeeded = 0;
    int failed = 0;
    const auto fail = [&](int line, const std::string& message) {
        log_->warn("[{}] Caught error executing script line: {}", displayPath, message);
        summary_.failures.push_back({displayPath, line, message});
        ++failed;
    };
    for (const auto& line : lines) {
        if (!line.action) {
            fail(line.number, line.error);
            continue;
        }
        try {
            line.action->Act();
            ++succeeded;
        } catch (const std::exception& error) {
            fail(line.number, error.what());
        }
    }

    log_->info("[{}] Script loaded{}: {} succesful / {} failed", displayPath,
               failed != 0 ? " with errors" : "", succeeded, failed);
    ++summary_.scripts;
    summary_.succeeded += succeeded;
    summary_.failed += failed;
    if (failed > 0 && notify_) {
        notify_(kWarningCaption,
                fmt::format("Script '{}' loaded with errors!\n\nPlease check the '{}' file for "
                            "details.",
                            displayPath, kLogFileName));
    }
}

}  // namespace rakor

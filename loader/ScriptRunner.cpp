#include "loader/ScriptRunner.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "automation/CommandParser.h"
#include "host/TextFile.h"
#include "loader/FolderIdentity.h"

namespace rakor {
namespace fs = std::filesystem;

namespace {

void AppendUtf8(std::string& text, uint32_t codePoint) {
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// POSIX names are bytes and are shown as they are.
[[maybe_unused]] std::string Utf8Of(const std::string& name) {
    return name;
}

// Windows names are UTF-16 that nobody checks: a name may hold a surrogate
// without its partner, which has no UTF-8 form (the standard conversion
// throws). Such a unit shows as U+FFFD, so that one odd name is still named
// and never stops the walk.
[[maybe_unused]] std::string Utf8Of(const std::wstring& name) {
    constexpr uint32_t kReplacement = 0xFFFD;
    const auto isHigh = [](uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
    const auto isLow = [](uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    std::string text;
    text.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const uint32_t unit = static_cast<uint32_t>(name[i]);
        if (isHigh(unit) && i + 1 < name.size() && isLow(static_cast<uint32_t>(name[i + 1]))) {
            const uint32_t low = static_cast<uint32_t>(name[++i]);
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHigh(unit) || isLow(unit)) {
            AppendUtf8(text, kReplacement);
        } else {
            AppendUtf8(text, unit);
        }
    }
    return text;
}

}  // namespace

ScriptRunner::ScriptRunner(std::shared_ptr<spdlog::logger> log, WarningNotifier notify)
    : log_(std::move(log)), notify_(std::move(notify)) {}

std::string ScriptRunner::DisplayPath(const fs::path& path) {
    std::string text = Utf8Of(path.native());
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool ScriptRunner::IsDisabled(const fs::path& path) {
    // Looked at in the name's own encoding, which needs no conversion.
    const fs::path name = path.filename();
    return !name.empty() && name.native().front() == '!';
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
    // A game that crashes later must not take this pass's lines with it.
    log_->flush();
    return summary_;
}

void ScriptRunner::Walk(const fs::path& directory) {
    std::error_code error;
    if (!fs::exists(directory, error) || IsDisabled(directory)) {
        return;
    }
    // A link or junction that leads back to a folder already walked would
    // loop forever. A folder that cannot be identified cannot be listed either.
    const std::optional<FolderIdentity> identity = IdentifyFolder(directory);
    if (identity && !walked_.insert(*identity).second) {
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
        // The box sends the modder to the log, and it may stay open for long.
        log_->flush();
        notify_(kWarningCaption,
                fmt::format("Script '{}' loaded with errors!\n\nPlease check the '{}' file for "
                            "details.",
                            displayPath, kLogFileName));
    }
}

}  // namespace rakor

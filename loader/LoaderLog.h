#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <spdlog/logger.h>

namespace rakor {

// Where the log file is and, once it has failed, why the loader cannot write
// it: the warning box then says so instead of sending the modder to a file
// that does not hold the lines.
class LogFileStatus {
public:
    LogFileStatus(std::string where, std::string name)
        : where_(std::move(where)), shownAs_(std::move(name)) {}

    // The file's full path, in UTF-8.
    const std::string& Where() const { return where_; }
    // How a warning box names the file: by its name, where the modder looks
    // for it anyway, or by its full path (NameInFull).
    const std::string& ShownAs() const { return shownAs_; }
    // For a log that lies where the modder would not look for it.
    void NameInFull();
    // Why the file cannot be written; empty while it can.
    const std::string& Problem() const { return problem_; }
    // Keeps the first problem: later ones follow from it.
    void Failed(const std::string& problem);

private:
    std::string where_;
    std::string shownAs_;
    std::string problem_;
};

struct LoaderLog {
    std::shared_ptr<spdlog::logger> logger;
    std::shared_ptr<LogFileStatus> status;
};

enum class LogStart {
    Empty,     // the file is emptied: every start of the game begins a new log
    Continue,  // the lines go after what the file holds
};

// The loader's logger, "VexaAttribLoader.Tormelin": spdlog's mutex-guarded
// basic file sink on `file`, with spdlog's default level, pattern and flush
// policy, and not entered in spdlog's registry. When the file cannot be
// opened, or a write to it fails later, the status says why; the logger still
// exists and drops its lines, so the scripts still run and warnings still show.
LoaderLog CreateLoaderLog(const std::filesystem::path& file, LogStart start = LogStart::Empty);

}  // namespace rakor

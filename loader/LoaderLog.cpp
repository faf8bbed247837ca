#include "loader/LoaderLog.h"

#include <system_error>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>

#include "loader/FullPath.h"
#include "loader/ScriptRunner.h"

namespace rakor {
namespace {

namespace fs = std::filesystem;

// spdlog's messages name the file as it was given and end in the system's
// reason ("Failed opening file ./x.log for writing: Permission denied"); the
// modder is told the full path anyway, so only the reason is kept.
std::string ReasonOf(const std::string& message) {
    const std::size_t colon = message.rfind(": ");
    return colon == std::string::npos ? message : message.substr(colon + 2);
}

}  // namespace

void LogFileStatus::Failed(const std::string& problem) {
    if (problem_.empty()) {
        problem_ = problem.empty() ? "unknown error" : problem;
    }
}

void LogFileStatus::NameInFull() {
    shownAs_ = where_;
}

LoaderLog CreateLoaderLog(const fs::path& file, LogStart start) {
    const std::u8string name = file.filename().u8string();
    auto status =
        std::make_shared<LogFileStatus>(FullPath(file), std::string(name.begin(), name.end()));
    spdlog::sink_ptr sink;
    try {
        sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(file.string(),
                                                                   start == LogStart::Empty);
    } catch (const spdlog::spdlog_ex& error) {
        // Nowhere to write: an unwritable game folder must not stop the mods.
        status->Failed(ReasonOf(error.what()));
        sink = std::make_shared<spdlog::sinks::null_sink_mt>();
    }
    auto logger = std::make_shared<spdlog::logger>(kLoggerName, std::move(sink));
    // A write or flush that fails (a full disk, a file that went away) is
    // noted instead of printed on a console the game does not have.
    logger->set_error_handler(
        [status](const std::string& message) { status->Failed(ReasonOf(message)); });
    return {std::move(logger), std::move(status)};
}

}  // namespace rakor

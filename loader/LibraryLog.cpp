#include "loader/LibraryLog.h"

#include <string>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>

#include "loader/ScriptRunner.h"

namespace rakor {
namespace {

std::shared_ptr<spdlog::logger> CreateLibraryLogger() {
    spdlog::sink_ptr sink;
    try {
        sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(
            std::string("./") + kLogFileName, /*truncate=*/true);
    } catch (const spdlog::spdlog_ex&) {
        // Nowhere to write: an unwritable game folder must not stop the mods.
        sink = std::make_shared<spdlog::sinks::null_sink_mt>();
    }
    // Not entered in spdlog's registry: nothing else may find or drop it.
    return std::make_shared<spdlog::logger>(kLoggerName, std::move(sink));
}

// Created during static initialisation, so the log file is emptied as soon as
// the library is loaded, before any script can run.
const std::shared_ptr<spdlog::logger> gLibraryLogger = CreateLibraryLogger();

}  // namespace

const std::shared_ptr<spdlog::logger>& LibraryLogger() { return gLibraryLogger; }

}  // namespace rakor

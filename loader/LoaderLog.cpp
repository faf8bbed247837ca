#include "loader/LoaderLog.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>

#include "loader/ScriptRunner.h"

namespace rakor {

std::shared_ptr<spdlog::logger> CreateLoaderLogger(const std::filesystem::path& file) {
    spdlog::sink_ptr sink;
    try {
        sink =
            std::make_shared<spdlog::sinks::basic_file_sink_mt>(file.string(), /*truncate=*/true);
    } catch (const spdlog::spdlog_ex&) {
        // Nowhere to write: an unwritable game folder must not stop the mods.
        sink = std::make_shared<spdlog::sinks::null_sink_mt>();
    }
    return std::make_shared<spdlog::logger>(kLoggerName, std::move(sink));
}

}  // namespace rakor

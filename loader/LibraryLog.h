#pragma once

#include <memory>

#include <spdlog/logger.h>

namespace rakor {

// The library's one logger, "VexaAttribLoader.Tormelin", writing to
// "./VexaAttribLoader.Tormelin.log" in the host's current directory. It is
// created while the library loads, which empties the file, and lives until
// the library is unloaded. When the file cannot be created the logger still
// exists and drops its lines, so the scripts still run and warnings still show.
const std::shared_ptr<spdlog::logger>& LibraryLogger();

}  // namespace rakor

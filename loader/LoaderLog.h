#pragma once

#include <filesystem>
#include <memory>

#include <spdlog/logger.h>

namespace rakor {

// The loader's logger, "VexaAttribLoader.Tormelin": spdlog's mutex-guarded
// basic file sink on `file`, emptied on creation, with spdlog's default level,
// pattern and flush policy, and not entered in spdlog's registry. When the
// file cannot be created the logger still exists and drops its lines, so the
// scripts still run and warnings still show.
std::shared_ptr<spdlog::logger> CreateLoaderLogger(const std::filesystem::path& file);

}  // namespace rakor

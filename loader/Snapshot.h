#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "loader/GameDescription.h"

namespace spdlog {
class logger;
}

namespace rakor {

// The folder a modder makes in the game's folder to ask for a snapshot: the
// loader then writes into it, on the game's first pass that runs the scripts,
// the game's database as the scripts find it and as they leave it, as
// database descriptions vxmod reads.
inline constexpr const char* kSnapshotFolder = "VexaAttribLoader/snapshot";
inline constexpr const char* kSnapshotBefore = "before.json";
inline constexpr const char* kSnapshotAfter = "after.json";

class Snapshot {
public:
    // A snapshot when the modder asked for one (the folder is there), else
    // none: without one the loader only looks for the folder, once.
    static std::unique_ptr<Snapshot> IfAsked(const std::filesystem::path& scripts,
                                             spdlog::logger& log) noexcept;

    Snapshot(std::filesystem::path scripts, spdlog::logger& log)
        : scripts_(std::move(scripts)), log_(log) {}

    // Before the pass runs its first script: what the scripts name, as the
    // game holds it. After its last: the same collections again. Whatever
    // goes wrong is logged, and the pass and the game go on as without.
    void Before() noexcept;
    void After() noexcept;

private:
    void Write(const char* fileName, const std::string& note, const char* what) noexcept;

    std::filesystem::path scripts_;
    spdlog::logger& log_;
    std::optional<GameDescription> game_;
};

}  // namespace rakor

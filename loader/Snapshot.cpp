#include "loader/Snapshot.h"

#include <exception>
#include <system_error>

#include <fmt/format.h>
#include <spdlog/logger.h>

#include "host/OutputFile.h"
#include "loader/ScriptNames.h"
#include "loader/Version.h"

namespace rakor {
namespace {

std::string Counted(std::size_t count, const char* one, const char* many) {
    return fmt::format("{} {}", count, count == 1 ? one : many);
}

}  // namespace

std::unique_ptr<Snapshot> Snapshot::IfAsked(const std::filesystem::path& scripts,
                                            spdlog::logger& log) noexcept {
    std::error_code error;
    if (!std::filesystem::is_directory(kSnapshotFolder, error)) {
        return nullptr;
    }
    try {
        return std::make_unique<Snapshot>(scripts, log);
    } catch (const std::exception& failure) {
        log.warn("Could not take the snapshot that {} asks for: {}; the game goes on without it.",
                 kSnapshotFolder, failure.what());
        return nullptr;
    }
}

void Snapshot::Before() noexcept {
    try {
        game_.emplace(NamesTheScriptsUse(scripts_), GameNames::ReadHashList(), log_);
    } catch (const std::exception& failure) {
        log_.warn("Could not take the snapshot that {} asks for: {}; the game goes on without it.",
                  kSnapshotFolder, failure.what());
        return;
    }
    Write(kSnapshotBefore,
          fmt::format("The game's attribute database as the mod scripts found it, written by {} "
                      "on the game's first pass through the mod scripts, before the first ran: "
                      "the classes and collections the scripts name, the collections of those "
                      "classes that the hash list names, and the parents of all of them. vxmod "
                      "reads it with --db.",
                      kProductName),
          "the game's database before the mod scripts ran");
}

void Snapshot::After() noexcept {
    if (!game_) {
        return;
    }
    Write(kSnapshotAfter,
          fmt::format("The same classes and collections as in {}, as the mod scripts left them "
                      "on the game's first pass, written by {}. vxmod diff {} {} writes what the "
                      "scripts changed as a script.",
                      kSnapshotBefore, kProductName, kSnapshotBefore, kSnapshotAfter),
          "the same collections after the mod scripts ran");
}

void Snapshot::Write(const char* fileName, const std::string& note, const char* what) noexcept {
    const std::string where = fmt::format("{}/{}", kSnapshotFolder, fileName);
    try {
        WholeFileWriter file(std::filesystem::path(kSnapshotFolder) / fileName);
        const GameDescription::Written written =
            game_->Describe(note, [&](std::string_view piece) { file.Write(piece); });
        for (const std::string& problem : written.problems) {
            log_.warn("{}: could not read {}; the file says so, and has the rest.", where, problem);
        }
        if (const auto why = file.Commit()) {
            log_.warn("Could not write the snapshot {}: {}; the game goes on without it.", where,
                      *why);
        } else {
            log_.info("Wrote {}: {} ({}, {}, {}).", where, what,
                      Counted(written.classes, "class", "classes"),
                      Counted(written.collections, "collection", "collections"),
                      Counted(written.notes, "note", "notes"));
        }
    } catch (const std::exception& failure) {
        log_.warn("Could not write the snapshot {}: {}; the game goes on without it.", where,
                  failure.what());
    }
    log_.flush();
}

}  // namespace rakor

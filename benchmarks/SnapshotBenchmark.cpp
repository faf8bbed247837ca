// What the snapshot of the game's database costs the game's first pass: the
// time it adds (before.json before the first script, after.json after the
// last) and the most memory it holds on top of what the game had, at the
// real game's size: a class of range(0) collections of 40 fields each (8 in
// the layout block, 32 own entries of numbers, names, vectors and arrays),
// in a tree of parents, with a hash list that names every collection and
// field, and a script that names the class.
//
// Memory is counted at operator new and delete, which everything the
// snapshot allocates goes through (strings, tables, the file's buffer).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <malloc.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/null_sink.h>

#include "loader/Snapshot.h"
#include "sandbox/Database.h"
#include "sandbox/NameHash.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void Counted(void* block) {
    if (block != nullptr) {
        const std::size_t now = gLive += malloc_usable_size(block);
        std::size_t peak = gPeak.load();
        while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
        }
    }
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    Counted(block);
    return block;
}
void operator delete(void* block) noexcept {
    if (block != nullptr) {
        gLive -= malloc_usable_size(block);
        // Every block operator new gave came from malloc.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
        std::free(block);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    }
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

namespace {

namespace fs = std::filesystem;
namespace sandbox = rakor::Sandbox;

constexpr int kLayoutFields = 8;
constexpr int kEntryFields = 32;

std::string FieldName(int i) {
    return fmt::format("Field{:02}", i);
}
std::string CollectionName(int i) {
    return fmt::format("car{:05}", i);
}

// The class, its collections, and a game folder with the script and the
// hash list, built once a size: building 2,000,000 values takes seconds.
struct GameAtScale {
    fs::path folder;
    std::unique_ptr<sandbox::Database> database;

    explicit GameAtScale(int collections) {
        folder = fs::temp_directory_path() / fmt::format("vexa-snapshot-bench-{}", collections);
        fs::remove_all(folder);
        fs::create_directories(folder / "AttribMods");
        fs::create_directories(folder / rakor::kSnapshotFolder);
        fs::create_directories(folder / "Qzr");
        std::ofstream(folder / "AttribMods" / "tune.vxmod")
            << "update_field car " << CollectionName(0) << " Field00 1\n";

        database = std::make_unique<sandbox::Database>();
        sandbox::Class car = database->AddClass("car", 4 * kLayoutFields);
        std::string list = "car\n";
        const char* const entryTypes[] = {"KQ::Reflection::Float",  "KQ::Reflection::Int32",
                                          "KQ::Reflection::UInt8",  "Attrib::StringHashWrapper32",
                                          "Attrib::Types::Vector3", "KQ::Reflection::Float"};
        for (int f = 0; f < kLayoutFields + kEntryFields; ++f) {
            list += FieldName(f) + "\n";
            if (f < kLayoutFields) {
                car.AddLayoutField(FieldName(f), "KQ::Reflection::Float", 4 * f);
            } else {
                car.Define(FieldName(f), entryTypes[f % std::size(entryTypes)]);
            }
        }
        std::vector<sandbox::Collection> made;
        made.reserve(collections);
        for (int c = 0; c < collections; ++c) {
            list += CollectionName(c) + "\n";
            sandbox::Collection collection =
                c == 0 ? car.AddCollection(CollectionName(c))
                       : car.AddCollection(CollectionName(c), made[(c - 1) / 8]);
            for (int f = 0; f < kLayoutFields; ++f) {
                collection.SetLayout(FieldName(f), static_cast<float>(c) + 0.25f * f);
            }
            for (int f = kLayoutFields; f < kLayoutFields + kEntryFields; ++f) {
                switch (f % 6) {
                    case 0:
                        collection.SetInline(FieldName(f), static_cast<float>(c * f) / 7);
                        break;
                    case 1:
                        collection.SetInline(FieldName(f), c * f);
                        break;
                    case 2:
                        collection.SetInline(FieldName(f), static_cast<uint8_t>(c + f));
                        break;
                    case 3:
                        collection.SetInline(FieldName(f), sandbox::HashName(FieldName(f)));
                        break;
                    case 4:
                        collection.SetOutOfLine(FieldName(f),
                                                std::array<float, 3>{1.0f * c, 2.0f, 0.5f * f});
                        break;
                    default:
                        collection.SetArray(FieldName(f),
                                            sandbox::ArrayOf<float>({1.5f, 2.5f, 1.0f * c}));
                        break;
                }
            }
            made.push_back(collection);
        }
        std::ofstream(folder / "Qzr" / "VLTHashes.txt") << list;
    }
    ~GameAtScale() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

// range(0) collections: the time Before and After take together, and the
// most memory held on top of what was live when the pass began.
void BM_SnapshotOfTheFirstPass(benchmark::State& state) {
    static std::unique_ptr<GameAtScale> game;
    if (!game || game->database->GetClass("car").CollectionCount() !=
                     static_cast<std::size_t>(state.range(0))) {
        game.reset();
        game = std::make_unique<GameAtScale>(static_cast<int>(state.range(0)));
    }
    const fs::path previous = fs::current_path();
    fs::current_path(game->folder);
    spdlog::logger log("snapshot", std::make_shared<spdlog::sinks::null_sink_st>());
    std::size_t peakExtra = 0;
    for (auto _ : state) {
        const std::size_t before = gLive.load();
        gPeak = before;
        std::unique_ptr<rakor::Snapshot> snapshot = rakor::Snapshot::IfAsked("AttribMods", log);
        snapshot->Before();
        snapshot->After();
        snapshot.reset();
        peakExtra = std::max(peakExtra, gPeak.load() - before);
    }
    const std::uintmax_t fileBytes =
        fs::file_size(fs::path(rakor::kSnapshotFolder) / rakor::kSnapshotBefore) +
        fs::file_size(fs::path(rakor::kSnapshotFolder) / rakor::kSnapshotAfter);
    fs::current_path(previous);
    state.counters["peak_extra_MB"] = static_cast<double>(peakExtra) / (1024 * 1024);
    state.counters["files_MB"] = static_cast<double>(fileBytes) / (1024 * 1024);
    state.counters["values"] = static_cast<double>(state.range(0) * (kLayoutFields + kEntryFields));
}
BENCHMARK(BM_SnapshotOfTheFirstPass)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

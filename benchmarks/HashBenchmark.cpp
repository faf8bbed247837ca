// Names made into keys, and the hash list: every Hash32 made from text is
// recorded with the resolver, and a pack names thousands of collections;
// a hash list may hold a million names.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "Workload.h"
#include "hash/Hashes.h"

namespace {

using rakor::Attrib::Hash32;
using rakor::Attrib::HashResolver;

// Keys made from `range(0)` distinct names, each seen before: what every name
// of a script line costs once the pack has named it (the host's hash is not
// called again; the name is recorded again).
void BM_Hash32FromText(benchmark::State& state) {
    HashResolver::ResetForTesting();
    std::vector<std::string> names;
    for (int i = 0; i < state.range(0); ++i) {
        names.push_back("brand_" + std::to_string(i % 40) + "_model_" + std::to_string(i));
    }
    for (const std::string& name : names) {
        benchmark::DoNotOptimize(Hash32(name));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Hash32(names[next]));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    HashResolver::ResetForTesting();
}
BENCHMARK(BM_Hash32FromText)->Arg(1000)->Arg(100000);

// The first name looked up reads the whole list.
void BM_LoadHashList(benchmark::State& state) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vexa-hash-list-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "Qzr");
    const std::string list = vexa::bench::MakeHashList(static_cast<int>(state.range(0)));
    std::ofstream(folder / "Qzr" / "VLTHashes.txt", std::ios::binary) << list;
    std::filesystem::current_path(folder);
    for (auto _ : state) {
        HashResolver::ResetForTesting();
        benchmark::DoNotOptimize(HashResolver::Resolve(1));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(list.size()));
    HashResolver::ResetForTesting();
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadHashList)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

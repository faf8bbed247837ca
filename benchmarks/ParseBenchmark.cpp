// Parsing whole scripts in the generated mix: tokens, command rows, names
// made into keys (each new name hashed once), actions built. Lines a second
// should not fall as scripts grow.
#include <string>

#include <benchmark/benchmark.h>

#include "Workload.h"
#include "automation/CommandParser.h"
#include "hash/HashResolver.h"

namespace {

void BM_ParseScript(benchmark::State& state) {
    const vexa::bench::DatabaseNames names = vexa::bench::MakeDatabaseNames();
    const std::string script = vexa::bench::MakeScript(names, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(rakor::Attrib::Automation::ParseScriptText(script));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
    rakor::Attrib::HashResolver::ResetForTesting();
}
BENCHMARK(BM_ParseScript)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

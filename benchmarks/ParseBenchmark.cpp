// Parsing whole scripts in the generated mix: tokens, command rows, names
// made into keys (each new name hashed once), actions built. Lines a second
// should not fall as scripts grow. Splitting alone, both ways the parser can
// split, shows what the 32-byte windows save.
#include <cstddef>
#include <string>

#include <benchmark/benchmark.h>

#include "Workload.h"
#include "automation/CommandParser.h"
#include "automation/TokenScan.h"
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

// Arg 1: in 32-byte windows; 0: a line at a time.
void BM_SplitLines(benchmark::State& state) {
    namespace automation = rakor::Attrib::Automation;
    const bool inWindows = state.range(0) != 0;
    if (inWindows && !automation::CanScanTokensInWindows()) {
        state.SkipWithError("this processor has no SSE2");
        return;
    }
    const std::string script = vexa::bench::MakeScript(vexa::bench::MakeDatabaseNames(), 100000);
    for (auto _ : state) {
        std::size_t tokens = 0;
        const auto count = [&](const automation::LineTokens& line) { tokens += line.count; };
        if (inWindows) {
            automation::ForEachLineTokensInWindows(script, count);
        } else {
            automation::ForEachLineTokensLineByLine(script, count);
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
    rakor::Attrib::HashResolver::ResetForTesting();
}
BENCHMARK(BM_SplitLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

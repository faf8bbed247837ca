// How long a pass over the mods takes, per script line: parsing alone, and
// parsing plus running against the example database. A modder's folder holds
// hundreds to thousands of lines and the game waits for every pass.
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "automation/CommandParser.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

namespace {

using rakor::Attrib::Automation::ParseScript;

// A script of `lines` lines in the mix a tuning mod has: mostly values,
// some members and array elements, a few new collections and resizes.
std::string MakeScript(int lines) {
    const char* const kinds[] = {
        "update_field car default TopSpeed 215.5\n",
        "update_field car default Price 23500\n",
        "update_field car default Grip Rear 1.35\n",
        "update_field car default GearRatios[2] 1.3\n",
        "update_field car default DisplayName Estate\n",
        "update_field car default Manufacturer vexamotors\n",
        "update_field car default CentreOfMass Z -0.05\n",
        "add_node car default variant\n",
        "# a comment line\n",
        "resize_field car default GearRatios 5\n",
    };
    std::string script;
    for (int i = 0; i < lines; ++i) {
        script += kinds[i % std::size(kinds)];
    }
    return script;
}

const nlohmann::ordered_json& ExampleDatabase() {
    static const auto description = rakor::Sandbox::ReadDescriptionFile(VEXA_EXAMPLE_DATABASE);
    return description;
}

void BM_ParseScript(benchmark::State& state) {
    rakor::Sandbox::Database database;
    const std::string script = MakeScript(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::istringstream in(script);
        benchmark::DoNotOptimize(ParseScript(in));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseScript)->Arg(1000)->Arg(10000);

void BM_ParseAndRunScript(benchmark::State& state) {
    const std::string script = MakeScript(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        rakor::Sandbox::Database database;
        rakor::Sandbox::LoadDescription(database, ExampleDatabase());
        state.ResumeTiming();
        std::istringstream in(script);
        for (const auto& line : ParseScript(in)) {
            line.action->Act();
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseAndRunScript)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();

// Actions on the generated database of a few thousand collections: field
// edits found in the class layout, in the collection's own entries and one
// and two parents up; new collections as their number grows; array resizes.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchmarkDatabase.h"
#include "automation/AddNode.h"
#include "automation/CommandParser.h"
#include "automation/ResizeField.h"
#include "hash/HashResolver.h"

namespace {

using namespace rakor::Attrib::Automation;

struct EditCase {
    const char* label;
    const char* field;
    const char* value;
};

// Every model's field: in the layout, its own, its brand's, the class default's.
constexpr EditCase kEdits[] = {
    {"layout", "TopSpeed", "215.5"},
    {"own entry", "Price", "23500"},
    {"parent", "Manufacturer", "vexamotors"},
    {"grandparent", "Handling", "64"},
};

void BM_ModifyField(benchmark::State& state) {
    const EditCase& edit = kEdits[state.range(0)];
    state.SetLabel(edit.label);
    vexa::bench::LiveDatabase live;
    live.Rebuild();
    std::vector<std::shared_ptr<IAction>> actions;
    for (const std::string& model : live.names.models) {
        actions.push_back(
            ParseLine("update_field car " + model + " " + edit.field + " " + edit.value));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        actions[next]->Act();
        next = next + 1 == actions.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    rakor::Attrib::HashResolver::ResetForTesting();
}
BENCHMARK(BM_ModifyField)->DenseRange(0, static_cast<int>(std::size(kEdits)) - 1);

// range(0) new collections into a fresh database each round: the time per
// collection must stay flat as the class fills up.
void BM_AddNode(benchmark::State& state) {
    vexa::bench::LiveDatabase live;
    std::vector<AddNode> actions;
    for (int i = 0; i < state.range(0); ++i) {
        actions.emplace_back("car", live.names.models[i % live.names.models.size()],
                             "pack_car_" + std::to_string(i));
    }
    for (auto _ : state) {
        state.PauseTiming();
        live.Rebuild();
        state.ResumeTiming();
        for (AddNode& action : actions) {
            action.Act();
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    live.database.reset();
    rakor::Attrib::HashResolver::ResetForTesting();
}
BENCHMARK(BM_AddNode)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ResizeField(benchmark::State& state) {
    vexa::bench::LiveDatabase live;
    live.Rebuild();
    std::vector<ResizeField> actions;
    for (const std::string& model : live.names.models) {
        actions.emplace_back("car", model, "GearRatios", 4 + actions.size() % 5);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        actions[next].Act();
        next = next + 1 == actions.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    rakor::Attrib::HashResolver::ResetForTesting();
}
BENCHMARK(BM_ResizeField);

}  // namespace

BENCHMARK_MAIN();

// Parse of each value type, as a script line sets it: the text read straight
// into the field's bytes (members of structured values through their name).
#include <array>
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "hash/Hashes.h"
#include "typedb/AttribTypeRegistry.h"

namespace {

using rakor::Attrib::AttribTypeRegistry;
using rakor::Attrib::Hash32;

struct ValueCase {
    const char* type;
    const char* member;  // null: the value itself
    const char* text;
};

// Texts as a tuning pack writes them.
constexpr ValueCase kCases[] = {
    {"KQ::Reflection::Float", nullptr, "215.5"},
    {"KQ::Reflection::Int32", nullptr, "-64"},
    {"KQ::Reflection::UInt32", nullptr, "23500"},
    {"KQ::Reflection::Int16", nullptr, "-2"},
    {"KQ::Reflection::UInt16", nullptr, "7200"},
    {"KQ::Reflection::Int8", nullptr, "-7"},
    {"KQ::Reflection::UInt8", nullptr, "5"},
    {"KQ::Reflection::Bool", nullptr, "True"},
    {"KQ::Reflection::Text", nullptr, "Estate"},
    {"Attrib::StringHashWrapper32", nullptr, "vexamotors"},
    {"Attrib::StringHashWrapper64", nullptr, "estate"},
    {"Attrib::StringKey", nullptr, "estate"},
    {"Attrib::Types::Vector3", "Z", "-0.05"},
    {"AxlePair", "Rear", "1.35"},
    {"FECarPartInfo", "Level", "2"},
    {"JunkmanMod", "Scale", "1.5"},
    {"Attrib::RefSpec", "Collection", "v8"},
};

void BM_Parse(benchmark::State& state) {
    const ValueCase& value = kCases[state.range(0)];
    state.SetLabel(std::string(value.type) + (value.member ? std::string(" ") + value.member : ""));
    const auto* type = AttribTypeRegistry::Instance().TypeOf(Hash32(value.type));
    alignas(8) std::array<uint8_t, 64> storage{};
    const std::string text = value.text;
    for (auto _ : state) {
        const bool parsed = value.member == nullptr
                                ? type->ParseAt(storage.data(), text).Stored()
                                : type->ParseMemberAt(storage.data(), value.member, text).Stored();
        benchmark::DoNotOptimize(parsed);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Parse)->DenseRange(0, static_cast<int>(std::size(kCases)) - 1);

}  // namespace

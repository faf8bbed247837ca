#include "Workload.h"

#include <array>
#include <cstdint>
#include <random>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace vexa::bench {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kFamilies = 10;
constexpr int kRanges = 10;

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    // mt19937's sequence is fixed by the standard; the distributions are not,
    // so numbers are drawn from it directly.
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(engine_()) % bound; }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Below(N)];
    }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(static_cast<uint32_t>(items.size()))];
    }
    // A decimal with two places, from `low` to `high`.
    std::string Decimal(int low, int high) {
        const int hundredths = low * 100 + static_cast<int>(Below((high - low) * 100 + 1));
        return fmt::format("{}{}.{:02}", hundredths < 0 ? "-" : "", std::abs(hundredths) / 100,
                           std::abs(hundredths) % 100);
    }
    std::string Whole(int low, int high) {
        return std::to_string(low + static_cast<int>(Below(static_cast<uint32_t>(high - low + 1))));
    }

private:
    std::mt19937 engine_;
};

constexpr std::array<std::string_view, 12> kMakers{"vexamotors", "kestrel", "aurion",  "brightline",
                                                   "corvale",    "halden",  "moravia", "northway",
                                                   "ostrel",     "pellaro", "quintus", "sarrow"};

Json Field(std::string_view type, bool layout = false, bool array = false) {
    Json field{{"type", type}};
    if (layout) {
        field["storage"] = "layout";
    }
    if (array) {
        field["array"] = true;
    }
    return field;
}

Json CarClass(const DatabaseNames& names) {
    Json fields;
    fields["TopSpeed"] = Field("KQ::Reflection::Float", true);
    fields["Mass"] = Field("KQ::Reflection::Float", true);
    fields["Doors"] = Field("KQ::Reflection::UInt8", true);
    fields["Redline"] = Field("KQ::Reflection::UInt16", true);
    fields["Camber"] = Field("KQ::Reflection::Int16", true);
    fields["Seats"] = Field("KQ::Reflection::Int8");
    fields["Price"] = Field("KQ::Reflection::UInt32");
    fields["Handling"] = Field("KQ::Reflection::Int32");
    fields["Convertible"] = Field("KQ::Reflection::Bool");
    fields["DisplayName"] = Field("KQ::Reflection::Text");
    fields["Manufacturer"] = Field("Attrib::StringHashWrapper32");
    fields["ModelHash"] = Field("Attrib::StringHashWrapper64");
    fields["Badge"] = Field("Attrib::StringKey");
    fields["Engine"] = Field("Attrib::RefSpec");
    fields["TireSize"] = Field("Attrib::Types::Vector2");
    fields["CentreOfMass"] = Field("Attrib::Types::Vector3");
    fields["PaintColour"] = Field("Attrib::Types::Vector4");
    fields["Grip"] = Field("AxlePair");
    fields["PartInfo"] = Field("FECarPartInfo");
    fields["Upgrade"] = Field("JunkmanMod");
    fields["GearRatios"] = Field("KQ::Reflection::Float", false, true);
    fields["Spoilers"] = Field("Attrib::StringHashWrapper32", false, true);

    Json collections;
    collections["default"]["values"] = {
        {"TopSpeed", 200.0},
        {"Mass", 1400.0},
        {"Doors", 4},
        {"Redline", 6500},
        {"Camber", -1},
        {"Seats", 5},
        {"Price", 20000},
        {"Handling", 50},
        {"Convertible", false},
        {"DisplayName", "Saloon"},
        {"Manufacturer", "generic"},
        {"ModelHash", "saloon"},
        {"Badge", {{"Collision64", "0x0"}, {"Collision", "saloon"}, {"Visual", "saloon"}}},
        {"Engine", {{"Class", "engine"}, {"Collection", "default"}}},
        {"TireSize", {205, 55}},
        {"CentreOfMass", {0, 0.5, 0.1}},
        {"PaintColour", {1, 1, 1, 1}},
        {"Grip", {{"Front", 1.0}, {"Rear", 1.0}}},
        {"PartInfo", {{"Level", 1}, {"Rep", 10}, {"Cost", 500}}},
        {"Upgrade", {{"ClassKey", "engine"}, {"DefinitionKey", "default"}, {"Scale", 1.0}}},
        {"Spoilers", {"none", "lip"}},
    };
    for (std::size_t b = 0; b < names.brands.size(); ++b) {
        Json& brand = collections[names.brands[b]];
        brand["parent"] = "default";
        brand["values"] = {{"Manufacturer", kMakers[b % kMakers.size()]},
                           {"Price", 25000 + 100 * static_cast<int>(b)},
                           {"Grip", {{"Front", 1.05}, {"Rear", 1.1}}},
                           {"PartInfo", {{"Level", 2}, {"Rep", 20}, {"Cost", 900}}}};
    }
    const std::size_t perBrand = names.models.size() / names.brands.size();
    for (std::size_t m = 0; m < names.models.size(); ++m) {
        Json& model = collections[names.models[m]];
        model["parent"] = names.brands[m / perBrand];
        model["values"] = {{"TopSpeed", 180 + static_cast<int>(m % 90)},
                           {"Mass", 1100 + static_cast<int>(m % 700)},
                           {"DisplayName", fmt::format("Model {}", m)},
                           {"ModelHash", names.models[m]},
                           {"Price", 18000 + static_cast<int>(m % 40) * 500},
                           {"Seats", 2 + static_cast<int>(m % 6)},
                           {"GearRatios", {3.5, 2.1, 1.4, 1.0, 0.8}},
                           {"TireSize", {195 + static_cast<int>(m % 8) * 10, 55}}};
    }
    return {{"fields", fields}, {"collections", collections}};
}

Json EngineClass(const DatabaseNames& names) {
    Json fields;
    fields["Power"] = Field("KQ::Reflection::Float", true);
    fields["Torque"] = Field("KQ::Reflection::Float", true);
    fields["Cylinders"] = Field("KQ::Reflection::UInt8", true);
    fields["Redline"] = Field("KQ::Reflection::UInt16");
    fields["Displacement"] = Field("KQ::Reflection::Float");
    fields["Boost"] = Field("KQ::Reflection::Float");
    fields["Name"] = Field("KQ::Reflection::Text");
    fields["Family"] = Field("Attrib::StringHashWrapper32");
    fields["TorqueCurve"] = Field("KQ::Reflection::Float", false, true);

    Json collections;
    collections["default"]["values"] = {{"Power", 100.0},   {"Torque", 150.0},     {"Cylinders", 4},
                                        {"Redline", 6000},  {"Displacement", 1.6}, {"Boost", 0.0},
                                        {"Name", "Engine"}, {"Family", "generic"}};
    for (int f = 0; f < kFamilies; ++f) {
        Json& family = collections[fmt::format("family_{}", f)];
        family["parent"] = "default";
        family["values"] = {{"Family", fmt::format("family_{}", f)}, {"Redline", 6500 + 100 * f}};
    }
    for (std::size_t e = 0; e < names.engines.size(); ++e) {
        Json& engine = collections[names.engines[e]];
        engine["parent"] = fmt::format("family_{}", e % kFamilies);
        engine["values"] = {{"Power", 90 + static_cast<int>(e % 300)},
                            {"Displacement", 1.0 + static_cast<double>(e % 40) / 10},
                            {"Name", names.engines[e]},
                            {"TorqueCurve", {0.6, 0.8, 1.0, 0.95, 0.9, 0.7}}};
    }
    return {{"fields", fields}, {"collections", collections}};
}

Json TyreClass(const DatabaseNames& names) {
    Json fields;
    fields["Width"] = Field("KQ::Reflection::UInt16", true);
    fields["Profile"] = Field("KQ::Reflection::UInt8", true);
    fields["Grip"] = Field("KQ::Reflection::Float", true);
    fields["Compound"] = Field("Attrib::StringHashWrapper32");
    fields["Wear"] = Field("KQ::Reflection::Float");
    fields["Pressure"] = Field("AxlePair");

    Json collections;
    collections["default"]["values"] = {
        {"Width", 205},         {"Profile", 55}, {"Grip", 1.0},
        {"Compound", "medium"}, {"Wear", 1.0},   {"Pressure", {{"Front", 2.2}, {"Rear", 2.1}}}};
    for (int r = 0; r < kRanges; ++r) {
        Json& range = collections[fmt::format("range_{}", r)];
        range["parent"] = "default";
        range["values"] = {{"Compound", fmt::format("compound_{}", r)}, {"Wear", 0.9}};
    }
    for (std::size_t t = 0; t < names.tyres.size(); ++t) {
        Json& tyre = collections[names.tyres[t]];
        tyre["parent"] = fmt::format("range_{}", t % kRanges);
        tyre["values"] = {{"Width", 185 + static_cast<int>(t % 12) * 10},
                          {"Grip", 0.9 + static_cast<double>(t % 30) / 100}};
    }
    return {{"fields", fields}, {"collections", collections}};
}

// Appends one line of the mix to `out`.
class ScriptWriter {
public:
    ScriptWriter(const DatabaseNames& names, unsigned seed, int failingPerThousand)
        : names_(names), random_(seed), failingPerThousand_(failingPerThousand) {}

    void Line(std::string& out) {
        // Failing lines first, so that the rest of the mix keeps its shares
        // among the lines that do not fail.
        if (failingPerThousand_ > 0 &&
            random_.Below(1000) < static_cast<uint32_t>(failingPerThousand_)) {
            Slip(out);
            return;
        }
        const uint32_t roll = random_.Below(1000);
        if (roll < 1) {
            Slip(out);
        } else if (roll < 11) {
            out += "# tuned by the pack generator\n";
        } else if (roll < 21) {
            out += '\n';
        } else if (roll < 71) {
            AddNode(out);
        } else if (roll < 101) {
            Resize(out);
        } else if (roll < 251) {
            Element(out);
        } else if (roll < 401) {
            Member(out);
        } else {
            Plain(out);
        }
    }

private:
    // Packs edit a collection a few lines at a time: each of these gives the
    // same collection for a run of one to eight lines, then another one: a
    // model of the database, or now and then a collection an earlier line made.
    struct Run {
        std::string name;
        uint32_t left = 0;
    };
    const std::string& Next(Run& run, const std::vector<std::string>& known,
                            const std::vector<std::string>& made) {
        if (run.left == 0) {
            run.name =
                !made.empty() && random_.Below(4) == 0 ? random_.Pick(made) : random_.Pick(known);
            run.left = 1 + random_.Below(8);
        }
        --run.left;
        return run.name;
    }
    const std::string& Car() { return Next(car_, names_.models, madeCars_); }
    const std::string& Engine() { return Next(engine_, names_.engines, madeEngines_); }
    const std::string& Tyre() { return Next(tyre_, names_.tyres, {}); }

    void AddNode(std::string& out) {
        // A new collection's own lines follow it.
        if (random_.Below(4) == 0) {
            std::string name = fmt::format("pack_engine_{}", madeEngines_.size());
            out += fmt::format("add_node engine {} {}\n", random_.Pick(names_.engines), name);
            engine_ = {name, 1 + random_.Below(8)};
            madeEngines_.push_back(std::move(name));
            return;
        }
        // Made under a model, so that it inherits the model's arrays too.
        std::string name = fmt::format("pack_car_{}", madeCars_.size());
        if (random_.Below(5) == 0) {
            out += fmt::format("copy_node car {} default {}\n", random_.Pick(names_.models), name);
        } else {
            out += fmt::format("add_node car {} {}\n", random_.Pick(names_.models), name);
        }
        car_ = {name, 1 + random_.Below(8)};
        madeCars_.push_back(std::move(name));
    }

    // Arrays are declared with at least five elements and resized to four to
    // eight, so elements 0 to 3 always exist. Only the collections that hold
    // an array in their own entries can resize it.
    void Resize(std::string& out) {
        if (random_.Below(4) == 0) {
            out += fmt::format("resize_field engine {} TorqueCurve {}\n",
                               random_.Pick(names_.engines), random_.Whole(4, 8));
        } else {
            out += fmt::format("resize_field car {} GearRatios {}\n", random_.Pick(names_.models),
                               random_.Whole(4, 8));
        }
    }

    void Element(std::string& out) {
        switch (random_.Below(4)) {
            case 0:
                out += fmt::format("update_field engine {} TorqueCurve[{}] {}\n", Engine(),
                                   random_.Below(4), random_.Decimal(0, 1));
                break;
            case 1:
                out += fmt::format("update_field car {} Spoilers[{}] {}\n", Car(), random_.Below(2),
                                   random_.Pick(kSpoilers));
                break;
            default:
                out += fmt::format("update_field car {} GearRatios[{}] {}\n", Car(),
                                   random_.Below(4), random_.Decimal(0, 4));
                break;
        }
    }

    void Member(std::string& out) {
        switch (random_.Below(10)) {
            case 0:
                out += fmt::format("update_field car {} Grip {} {}\n", Car(),
                                   random_.Below(2) == 0 ? "Front" : "Rear", random_.Decimal(0, 2));
                break;
            case 1:
                out += fmt::format("update_field car {} TireSize {} {}\n", Car(),
                                   random_.Below(2) == 0 ? "X" : "Y", random_.Whole(45, 305));
                break;
            case 2:
                out += fmt::format("update_field car {} CentreOfMass {} {}\n", Car(),
                                   random_.Pick(kXyz), random_.Decimal(-1, 1));
                break;
            case 3:
                out += fmt::format("update_field car {} PaintColour {} {}\n", Car(),
                                   random_.Pick(kXyzw), random_.Decimal(0, 1));
                break;
            case 4:
                out += fmt::format("update_field car {} PartInfo Level {}\n", Car(),
                                   random_.Whole(1, 5));
                break;
            case 5:
                out += fmt::format("update_field car {} PartInfo Cost {}\n", Car(),
                                   random_.Decimal(100, 5000));
                break;
            case 6:
                out += fmt::format("update_field car {} Engine Collection {}\n", Car(),
                                   random_.Pick(names_.engines));
                break;
            case 7:
                out += fmt::format("update_field car {} Upgrade Scale {}\n", Car(),
                                   random_.Decimal(0, 2));
                break;
            case 8:
                out += fmt::format("update_field car {} Badge Visual {}\n", Car(),
                                   random_.Pick(kMakers));
                break;
            default:
                out += fmt::format("update_field tyres {} Pressure {} {}\n", Tyre(),
                                   random_.Below(2) == 0 ? "Front" : "Rear", random_.Decimal(1, 3));
                break;
        }
    }

    void Plain(std::string& out) {
        const uint32_t kind = random_.Below(20);
        if (kind < 12) {
            CarValue(out, kind);
        } else if (kind < 16) {
            out += fmt::format("update_field engine {} {}\n", Engine(), EngineValue());
        } else {
            out += fmt::format("update_field tyres {} {}\n", Tyre(), TyreValue());
        }
    }

    // Layout fields, a model's own entries, and entries held one (brand) and
    // two (default) collections up.
    void CarValue(std::string& out, uint32_t kind) {
        const std::string& car = Car();
        switch (kind) {
            case 0:
                out += fmt::format("update_field car {} TopSpeed {}\n", car,
                                   random_.Decimal(150, 330));
                break;
            case 1:
                out += fmt::format("update_field car {} Mass {}\n", car, random_.Whole(900, 2400));
                break;
            case 2:
                out += fmt::format("update_field car {} Doors {}\n", car, random_.Whole(2, 5));
                break;
            case 3:
                out +=
                    fmt::format("update_field car {} Redline {}\n", car, random_.Whole(5000, 9000));
                break;
            case 4:
                out += fmt::format("update_field car {} Camber {}\n", car, random_.Whole(-3, 1));
                break;
            case 5:
                out +=
                    fmt::format("update_field car {} Price {}\n", car, random_.Whole(9000, 250000));
                break;
            case 6:
                out += fmt::format("update_field car {} Seats {}\n", car, random_.Whole(1, 7));
                break;
            case 7:
                out += fmt::format("update_field car {} Handling {}\n", car, random_.Whole(1, 99));
                break;
            case 8:
                out += fmt::format("update_field car {} Convertible {}\n", car,
                                   random_.Below(2) == 0 ? "True" : "False");
                break;
            case 9:
                out += fmt::format("update_field car {} DisplayName {}_{}\n", car,
                                   random_.Pick(kMakers), random_.Whole(1, 99));
                break;
            case 10:
                out += fmt::format("update_field car {} Manufacturer {}\n", car,
                                   random_.Pick(kMakers));
                break;
            default:
                out += fmt::format("update_field car {} ModelHash {}\n", car, car);
                break;
        }
    }

    std::string EngineValue() {
        switch (random_.Below(6)) {
            case 0:
                return "Power " + random_.Decimal(60, 700);
            case 1:
                return "Torque " + random_.Decimal(80, 900);
            case 2:
                return "Cylinders " + random_.Whole(2, 12);
            case 3:
                return "Redline " + random_.Whole(5000, 9500);
            case 4:
                return "Boost " + random_.Decimal(0, 2);
            default:
                return fmt::format("Family family_{}", random_.Below(kFamilies));
        }
    }

    std::string TyreValue() {
        switch (random_.Below(4)) {
            case 0:
                return "Width " + random_.Whole(155, 335);
            case 1:
                return "Profile " + random_.Whole(25, 80);
            case 2:
                return "Grip " + random_.Decimal(0, 2);
            default:
                return fmt::format("Compound compound_{}", random_.Below(kRanges));
        }
    }

    // What a modder gets wrong, or a pack for cars or a game version that is
    // not there: every way a line fails in the game.
    void Slip(std::string& out) {
        switch (random_.Below(8)) {
            case 0:
                out += fmt::format("update_field car {} TopSpede {}\n", Car(),
                                   random_.Decimal(150, 330));
                break;
            case 1:
                out += fmt::format("update_field car {} GearRatios[12] 0.7\n", Car());
                break;
            case 2:
                out += fmt::format("update_field car {}_mk2 TopSpeed 200\n", Car());
                break;
            case 3:
                out += fmt::format("update_field truck {} Mass 3500\n", Car());
                break;
            case 4:
                out += fmt::format("update_field car {} Price cheap\n", Car());
                break;
            case 5:
                out += fmt::format("add_node car {}_mk2 {}_mk3\n", Car(), Car());
                break;
            case 6:
                out += fmt::format("resize_field car {} Mass 4\n", Car());
                break;
            default:
                out += fmt::format("update_field car {} Grip Middle {}\n", Car(),
                                   random_.Decimal(0, 2));
                break;
        }
    }

    static constexpr std::array<std::string_view, 4> kSpoilers{"none", "lip", "wing", "ducktail"};
    static constexpr std::array<std::string_view, 3> kXyz{"X", "Y", "Z"};
    static constexpr std::array<std::string_view, 4> kXyzw{"X", "Y", "Z", "W"};

    const DatabaseNames& names_;
    Random random_;
    int failingPerThousand_;
    std::vector<std::string> madeCars_;
    std::vector<std::string> madeEngines_;
    Run car_;
    Run engine_;
    Run tyre_;
};

}  // namespace

std::size_t DatabaseNames::Collections() const {
    // Each class also has its "default" and the brands, families or ranges.
    return 3 + brands.size() + models.size() + kFamilies + engines.size() + kRanges + tyres.size();
}

DatabaseNames MakeDatabaseNames(const WorkloadShape& shape) {
    DatabaseNames names;
    for (int b = 0; b < shape.brands; ++b) {
        names.brands.push_back(fmt::format("brand_{:02}", b));
        for (int m = 0; m < shape.modelsPerBrand; ++m) {
            names.models.push_back(fmt::format("brand_{:02}_model_{:03}", b, m));
        }
    }
    for (int e = 0; e < shape.engines; ++e) {
        names.engines.push_back(fmt::format("engine_{:03}", e));
    }
    for (int t = 0; t < shape.tyres; ++t) {
        names.tyres.push_back(fmt::format("tyre_{:03}", t));
    }
    return names;
}

std::string MakeDatabaseJson(const DatabaseNames& names) {
    Json description;
    description["classes"]["car"] = CarClass(names);
    description["classes"]["engine"] = EngineClass(names);
    description["classes"]["tyres"] = TyreClass(names);
    return description.dump(1) + '\n';
}

std::string MakeScript(const DatabaseNames& names, int lines, int failingPerThousand,
                       unsigned seed) {
    ScriptWriter writer(names, seed, failingPerThousand);
    std::string script;
    script.reserve(static_cast<std::size_t>(lines) * 52);
    for (int i = 0; i < lines; ++i) {
        writer.Line(script);
    }
    return script;
}

std::string MakeHashList(int count, unsigned seed) {
    static constexpr std::array<std::string_view, 16> kWords{
        "car",     "engine", "tyre",   "grip",  "torque",  "spoiler", "paint", "badge",
        "gearbox", "brake",  "camber", "boost", "chassis", "exhaust", "wheel", "body"};
    Random random(seed);
    std::string list;
    list.reserve(static_cast<std::size_t>(count) * 22);
    for (int i = 0; i < count; ++i) {
        // A running number keeps the names distinct, as a real list's are.
        list += fmt::format("{}_{}_{}\n", random.Pick(kWords), random.Pick(kWords), i);
    }
    return list;
}

}  // namespace vexa::bench

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "description/JsonWriter.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/NameHash.h"
#include "sandbox/OrderedJson.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;
using ::testing::HasSubstr;

uint32_t WordAt(const void* address) {
    return ReadAs<uint32_t>(address);
}
const uint8_t* Target(uint32_t word) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(word));
}

// The same document whatever the order of its object keys.
nlohmann::json Unordered(const Json& document) {
    return nlohmann::json::parse(document.dump());
}

// Loads the description and expects the dump to give it back unchanged.
void ExpectRoundTrip(const Json& description) {
    Database db;
    LoadDescription(db, description);
    EXPECT_EQ(Unordered(DumpDescription(db)), Unordered(description))
        << "dumped:\n"
        << DumpDescription(db).dump(2);
}

// ---- round trips -------------------------------------------------------------

TEST(DescriptionRoundTrip, NumbersAndBoolInEntriesAndLayout) {
    ExpectRoundTrip(R"({"classes": {"car": {
        "fields": {
            "u8":  {"type": "KQ::Reflection::UInt8"},
            "i8":  {"type": "KQ::Reflection::Int8", "storage": "layout"},
            "u16": {"type": "KQ::Reflection::UInt16"},
            "i16": {"type": "KQ::Reflection::Int16", "storage": "layout"},
            "u32": {"type": "KQ::Reflection::UInt32"},
            "i32": {"type": "KQ::Reflection::Int32", "storage": "layout"},
            "f":   {"type": "KQ::Reflection::Float"},
            "b":   {"type": "KQ::Reflection::Bool", "storage": "layout"}},
        "collections": {"default": {"values": {
            "u8": 255, "i8": -128, "u16": 65535, "i16": -32768, "u32": 4294967295,
            "i32": -2147483648, "f": 0.1, "b": true}}}}}})"_json);
}

TEST(DescriptionRoundTrip, TextsKeysAndHashes) {
    ExpectRoundTrip(R"({"classes": {"car": {
        "fields": {
            "Name":   {"type": "KQ::Reflection::Text"},
            "Note":   {"type": "KQ::Reflection::Text", "storage": "layout"},
            "None":   {"type": "KQ::Reflection::Text"},
            "Brand":  {"type": "Attrib::StringHashWrapper32"},
            "Hidden": {"type": "Attrib::StringHashWrapper32"},
            "Long":   {"type": "Attrib::StringHashWrapper64"},
            "Raw64":  {"type": "Attrib::StringHashWrapper64", "storage": "layout"},
            "Node":   {"type": "GCollectionKey"}},
        "collections": {"default": {"values": {
            "Name": "Tormelin GT", "Note": "", "None": null, "Brand": "maker",
            "Hidden": "0x00C0FFEE", "Long": "a long name", "Raw64": "0x0000000100000002",
            "Node": "default"}}}}}})"_json);
}

TEST(DescriptionRoundTrip, StructuresVectorsAndMatrix) {
    ExpectRoundTrip(R"({"classes": {"car": {
        "fields": {
            "Axle": {"type": "AxlePair"},
            "Part": {"type": "FECarPartInfo", "storage": "layout"},
            "Mod":  {"type": "JunkmanMod"},
            "Ref":  {"type": "Attrib::RefSpec"},
            "Key":  {"type": "Attrib::StringKey", "storage": "layout"},
            "Key2": {"type": "Attrib::StringKey"},
            "V2":   {"type": "Attrib::Types::Vector2"},
            "V3":   {"type": "Attrib::Types::Vector3", "storage": "layout"},
            "V4":   {"type": "Attrib::Types::Vector4"},
            "M":    {"type": "Attrib::Types::Matrix", "storage": "layout"}},
        "collections": {"default": {"values": {
            "Axle": {"Front": 1.5, "Rear": 2},
            "Part": {"Level": -3, "Rep": 0.25, "Cost": 1000},
            "Mod":  {"ClassKey": "engine", "DefinitionKey": "0x12345678", "Scale": 0.5},
            "Ref":  {"Class": "car", "Collection": "default"},
            "Key":  {"Collision64": "visual text", "Collision": "visual", "Visual": "Visual"},
            "Key2": {"Collision64": "0x0000000000000000", "Collision": "0x00000000",
                     "Visual": null},
            "V2": [1, -1], "V3": [0.1, 0.2, 0.3], "V4": [1, 2, 3, 4],
            "M": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1]}}}}}})"_json);
}

TEST(DescriptionRoundTrip, ArraysInEntriesAndLayout) {
    ExpectRoundTrip(R"({"classes": {"car": {
        "fields": {
            "Gears":  {"type": "KQ::Reflection::Int32", "array": true},
            "Spare":  {"type": "KQ::Reflection::Int32", "array": true, "capacity": 8},
            "Names":  {"type": "KQ::Reflection::Text", "array": true},
            "Wide":   {"type": "KQ::Reflection::UInt16", "array": true, "elementSize": 4},
            "Ratios": {"type": "KQ::Reflection::Float", "array": true, "storage": "layout"},
            "Slots":  {"type": "AxlePair", "array": true, "storage": "layout", "capacity": 4}},
        "collections": {
            "default": {"values": {
                "Gears": [1, 2, 3], "Spare": [7],
                "Names": ["a", null, "c"], "Wide": [1, 65535],
                "Ratios": [3.5, 2.25], "Slots": [{"Front": 1, "Rear": 2}]}},
            "odd": {"values": {
                "Gears": {"capacity": 5, "items": [9]},
                "Spare": {"capacity": 1, "items": []},
                "Wide": {"elementSize": 0, "items": [3]},
                "Ratios": {"capacity": 1, "items": [1]}}}}}}})"_json);
}

TEST(DescriptionRoundTrip, UnknownTypesAndFieldsWithoutDefinition) {
    ExpectRoundTrip(R"({"classes": {"car": {
        "fields": {
            "Blob":   {"type": "Engine::Blob", "size": 6},
            "Small":  {"type": "0x0BADF00D", "size": 3, "storage": "layout"},
            "Blobs":  {"type": "Engine::Blob", "size": 6, "array": true},
            "Ghost":  {"type": "KQ::Reflection::Int32", "definition": false},
            "Shadow": {"type": "KQ::Reflection::Float", "storage": "layout", "definition": false}},
        "collections": {"default": {"values": {
            "Blob": "0102030405ff", "Small": "aabbcc", "Blobs": ["000000000001"],
            "Ghost": 7, "Shadow": 2.5}}}}}})"_json);
}

TEST(DescriptionRoundTrip, FieldsAreDumpedInTheOrderTheyWereDeclared) {
    const Json description = Json::parse(R"({"classes": {"car": {
        "fields": {
            "Mass":  {"type": "KQ::Reflection::Float"},
            "Grip":  {"type": "KQ::Reflection::Float", "storage": "layout"},
            "Ghost": {"type": "KQ::Reflection::Int32", "definition": false},
            "Gears": {"type": "KQ::Reflection::Int32", "array": true},
            "Doors": {"type": "KQ::Reflection::UInt8", "storage": "layout"}},
        "collections": {"default": {}}}}})");
    Database db;
    LoadDescription(db, description);
    const Json dump = DumpDescription(db);
    std::vector<std::string> dumped;
    for (const auto& [name, field] : dump["classes"]["car"]["fields"].items()) {
        dumped.push_back(name);
    }
    EXPECT_THAT(dumped, ::testing::ElementsAre("Mass", "Grip", "Ghost", "Gears", "Doors"));
}

TEST(DescriptionRoundTrip, ShortestFloatTextIsDumped) {
    Database db;
    LoadDescription(db, R"({"classes": {"c": {
        "fields": {"f": {"type": "KQ::Reflection::Float"}},
        "collections": {"n": {"values": {"f": 0.1}}}}}})"_json);
    EXPECT_THAT(DumpDescription(db).dump(), HasSubstr(R"("f":0.1})"));
}

// A dump read back gives every float again, bit for bit: the largest ones
// (which lie beyond the double nearest their shortest text), one whose
// shortest text read as a double rounds to the next float (0x15AE43FD), the
// sign of zero, floats of every exponent, the infinities and NaNs of either
// sign, quiet and signalling, with their payloads; whole numbers written for
// a float are rounded to it once.
TEST(DescriptionRoundTrip, EveryFloatComesBackFromTheDumpText) {
    std::vector<uint32_t> bits = {0x7F7FFFFF, 0xFF7FFFFF, 0x15AE43FD,
                                  0x80000000, 0x00000001, 0x007FFFFF};
    for (uint32_t exponent = 0; exponent <= 255; ++exponent) {
        for (const uint32_t mantissa : {0x000000u, 0x000001u, 0x2E43FDu, 0x400000u, 0x7FFFFFu}) {
            bits.push_back((exponent << 23) | mantissa);
            bits.push_back(0x80000000u | (exponent << 23) | mantissa);
        }
    }
    Json values = Json::array();
    for (const uint32_t word : bits) {
        // As the dump writes it: in memory exactly, a text where JSON has no number.
        values.push_back(ParseOrderedJson(Description::JsonWriter::FloatText(word)));
    }
    const auto description = [](const Json& floats) {
        Json d = R"({"classes": {"c": {"fields": {
            "f": {"type": "KQ::Reflection::Float", "array": true}}}}})"_json;
        d["classes"]["c"]["collections"]["n"]["values"]["f"] = floats;
        return d;
    };
    const auto floatsOf = [](const Database& db) {
        const Collection n = db.GetClass("c").GetCollection("n");
        const auto* record = Target(n.OwnEntries()[0].value);
        std::vector<uint32_t> words(ReadAs<uint16_t>(record + 2));
        std::memcpy(words.data(), record + 8, words.size() * 4);
        return words;
    };
    std::string dump;
    {
        Database db;
        LoadDescription(db, description(values));
        ASSERT_EQ(floatsOf(db), bits);
        dump = DumpDescription(db).dump();
    }
    {
        Database again;
        LoadDescription(again, ParseOrderedJson(dump));
        const std::vector<uint32_t> back = floatsOf(again);
        ASSERT_EQ(back.size(), bits.size());
        for (std::size_t i = 0; i < bits.size(); ++i) {
            EXPECT_EQ(back[i], bits[i])
                << fmt::format("{:#010x} came back as {:#010x}", bits[i], back[i]);
        }
    }
    EXPECT_THAT(dump, HasSubstr("-0.0,"));

    // 2^60 + 2^36 + 1 lies just above the middle of two floats; as a double
    // it would lie on the middle and round to the even one below.
    Database whole;
    LoadDescription(whole, description(ParseOrderedJson("[16777217, 1152921573326323713]")));
    EXPECT_EQ(floatsOf(whole), (std::vector<uint32_t>{0x4B800000, 0x5D800001}));
}

// ---- host bytes ----------------------------------------------------------------

TEST(DescriptionHostBytes, LayoutFieldsAreAlignedInDeclarationOrder) {
    Database db;
    // "m" comes first although it sorts last: offsets follow the file.
    LoadDescription(db, nlohmann::ordered_json::parse(R"({"classes": {"car": {
        "fields": {
            "m": {"type": "KQ::Reflection::UInt8", "storage": "layout"},
            "b": {"type": "KQ::Reflection::Int32", "storage": "layout"},
            "c": {"type": "KQ::Reflection::Int16", "storage": "layout"},
            "d": {"type": "Attrib::StringHashWrapper64", "storage": "layout"},
            "e": {"type": "KQ::Reflection::Bool", "storage": "layout"},
            "f": {"type": "KQ::Reflection::UInt16", "array": true, "storage": "layout"}},
        "collections": {"default": {"values": {
            "m": 200, "b": -2, "c": 513, "d": "0x1122334455667788", "e": true,
            "f": [7, 8, 9]}}}}}})"));
    const Class car = db.GetClass("car");
    const Collection base = car.GetCollection("default");
    // m@0, b@4, c@8, d@16 (64-bit hashes align to 8), e@24, f@28 (8 + 3 * 2 bytes).
    EXPECT_EQ(base.LayoutOffset("m"), 0u);
    EXPECT_EQ(base.LayoutOffset("b"), 4u);
    EXPECT_EQ(base.LayoutOffset("c"), 8u);
    EXPECT_EQ(base.LayoutOffset("d"), 16u);
    EXPECT_EQ(base.LayoutOffset("e"), 24u);
    EXPECT_EQ(base.LayoutOffset("f"), 28u);
    EXPECT_EQ(car.LayoutSize(), 44u);

    const uint8_t* block = base.Record()->layoutBlock;
    EXPECT_EQ(block[0], 200);
    EXPECT_EQ(block[1], 0) << "an 8-bit field is one byte wide";
    EXPECT_EQ(WordAt(block + 4), 0xFFFFFFFEu);
    EXPECT_EQ(ReadAs<uint16_t>(block + 8), 513);
    EXPECT_EQ(ReadAs<uint64_t>(block + 16), 0x1122334455667788u);
    EXPECT_EQ(block[24], 1);
    // The array record lies inline: capacity 3, count 3, element size 2.
    EXPECT_EQ(ReadAs<uint16_t>(block + 28), 3);
    EXPECT_EQ(ReadAs<uint16_t>(block + 30), 3);
    EXPECT_EQ(ReadAs<uint16_t>(block + 32), 2);
    EXPECT_EQ(ReadAs<uint16_t>(block + 36), 7);
    EXPECT_EQ(ReadAs<uint16_t>(block + 40), 9);
    EXPECT_EQ(car.LayoutFields()[5].flags, kArrayFlag);
}

// The game places layout fields its own way; a description written from its
// records gives offsets, and only where a loader would not put the field
// anyway. A field without one goes after every layout field before it.
TEST(DescriptionHostBytes, GivenOffsetsPlaceLayoutFieldsAndComeBackInTheDump) {
    const Json description = Json::parse(R"({"classes": {"car": {
        "fields": {
            "b": {"type": "KQ::Reflection::Int32", "storage": "layout", "offset": 8},
            "a": {"type": "KQ::Reflection::UInt8", "storage": "layout", "offset": 0},
            "c": {"type": "KQ::Reflection::Int16", "storage": "layout"},
            "m": {"type": "Mystery", "size": 2, "note": "a type the writer did not know"}},
        "collections": {"default": {"values": {"a": 7, "b": -2, "c": 3, "m": "0102"}}}}},
        "note": "for people, as a class's or a collection's may be"})");
    ExpectRoundTrip(Json{{"classes", description["classes"]}});
    Database db;
    LoadDescription(db, description);
    const Class car = db.GetClass("car");
    const Collection base = car.GetCollection("default");
    EXPECT_EQ(base.LayoutOffset("b"), 8u);
    EXPECT_EQ(base.LayoutOffset("a"), 0u);
    EXPECT_EQ(base.LayoutOffset("c"), 12u);
    EXPECT_EQ(car.LayoutSize(), 16u);
    EXPECT_EQ(ReadAs<int32_t>(base.Record()->layoutBlock + 8), -2);
}

TEST(DescriptionHostBytes, SmallEntryValuesAreInlineAndLargeOnesBehindThePointer) {
    Database db;
    LoadDescription(db, R"({"classes": {"car": {
        "fields": {
            "Level": {"type": "KQ::Reflection::Int8"},
            "Name":  {"type": "KQ::Reflection::Text"},
            "Part":  {"type": "FECarPartInfo"},
            "Gears": {"type": "KQ::Reflection::Int32", "array": true, "capacity": 4}},
        "collections": {"default": {"values": {
            "Level": -1, "Name": "GT", "Part": {"Level": 2, "Rep": 1.5, "Cost": 3},
            "Gears": [5, 6]}}}}}})"_json);
    const Collection base = db.GetClass("car").GetCollection("default");
    EXPECT_EQ(base.GetOwnEntry("Level").value, 0xFFu) << "one byte, the rest of the word zero";
    EXPECT_STREQ(reinterpret_cast<const char*>(Target(base.GetOwnEntry("Name").value)), "GT");
    const uint8_t* part = Target(base.GetOwnEntry("Part").value);
    EXPECT_EQ(ReadAs<int32_t>(part), 2);
    EXPECT_EQ(ReadAs<float>(part + 4), 1.5f);
    EXPECT_EQ(ReadAs<float>(part + 8), 3.0f);
    const OwnEntry& gears = base.GetOwnEntry("Gears");
    EXPECT_EQ(gears.flags, kArrayFlag);
    const uint8_t* record = Target(gears.value);
    EXPECT_EQ(ReadAs<uint16_t>(record + 0), 4);
    EXPECT_EQ(ReadAs<uint16_t>(record + 2), 2);
    EXPECT_EQ(ReadAs<uint16_t>(record + 4), 4);
    EXPECT_EQ(ReadAs<int32_t>(record + 12), 6);
    EXPECT_EQ(db.GetClass("car").Definitions().size(), 4u);
}

TEST(DescriptionHostBytes, FieldWithoutDefinitionHasNoDefinitionRecord) {
    Database db;
    LoadDescription(db, R"({"classes": {"car": {"fields": {
        "Ghost": {"type": "KQ::Reflection::Int32", "storage": "layout", "definition": false},
        "Real":  {"type": "KQ::Reflection::Int32"}}}}})"_json);
    const Class car = db.GetClass("car");
    EXPECT_EQ(db.HostGetFieldDefinition(car.Record(), HashName("Ghost")), nullptr);
    ASSERT_NE(db.HostGetFieldDefinition(car.Record(), HashName("Real")), nullptr);
    EXPECT_EQ(car.LayoutFields().size(), 1u);
}

// ---- inheritance and the library's collections ----------------------------------

TEST(DescriptionInheritance, DumpShowsOnlyWhatACollectionHoldsItself) {
    Database db;
    // The child comes first: parents may be declared after their children.
    LoadDescription(db, R"({"classes": {"car": {
        "fields": {
            "Grip":  {"type": "KQ::Reflection::Float", "storage": "layout"},
            "Mass":  {"type": "KQ::Reflection::Float", "storage": "layout"},
            "Doors": {"type": "KQ::Reflection::Int32"}},
        "collections": {
            "a_tuned":  {"parent": "m_base", "values": {"Grip": 2, "Mass": 900}},
            "m_base":   {"parent": "z_root", "values": {"Grip": 1.5, "Doors": 4}},
            "z_root":   {"values": {"Mass": 900}}}}}})"_json);
    const Json collections = DumpDescription(db)["classes"]["car"]["collections"];
    EXPECT_EQ(Unordered(collections["z_root"]), Unordered(R"({"values": {"Mass": 900}})"_json));
    EXPECT_EQ(Unordered(collections["m_base"]),
              Unordered(R"({"parent": "z_root", "values": {"Grip": 1.5, "Doors": 4}})"_json));
    // Mass equals what it inherits, so it is not the child's own value.
    EXPECT_EQ(Unordered(collections["a_tuned"]),
              Unordered(R"({"parent": "m_base", "values": {"Grip": 2}})"_json));
    EXPECT_EQ(db.GetClass("car").GetCollection("a_tuned").ReadLayout<float>("Mass"), 900.0f);
}

TEST(DescriptionInheritance, CollectionConstructedByTheLibraryIsDumpedWithItsParent) {
    Database db;
    LoadDescription(db, R"({"classes": {"car": {
        "fields": {"Grip": {"type": "KQ::Reflection::Float", "storage": "layout"},
                   "Name": {"type": "KQ::Reflection::Text"}},
        "collections": {"default": {"values": {"Grip": 1.5}}}}}})"_json);
    const Class car = db.GetClass("car");
    // As the library does it: 36 zero bytes of its own heap, handed to the host.
    void* memory = std::calloc(1, sizeof(CollectionRecord));
    db.HostConstructCollection(memory, car.Record(), car.GetCollection("default").Record(),
                               HashName("custom"), 0);
    ASSERT_TRUE(db.Complaints().empty());
    Collection custom = car.GetCollection("custom");
    custom.SetLayout("Grip", 3.0f);
    // A text the library stored: read by the dump, never freed by the sandbox.
    static const char kLibraryText[] = "from a script";
    custom.SetEntry("Name", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kLibraryText)));

    EXPECT_EQ(Unordered(DumpDescription(db)["classes"]["car"]["collections"]["custom"]),
              R"({"parent": "default", "values": {"Grip": 3, "Name": "from a script"}})"_json);
}

TEST(DescriptionInheritance, ArrayReplacedByTheLibraryDumpsItsNewHeader) {
    Database db;
    LoadDescription(db, R"({"classes": {"car": {
        "fields": {"Gears": {"type": "KQ::Reflection::Int32", "array": true, "capacity": 4}},
        "collections": {"default": {"values": {"Gears": [1, 2]}}}}}})"_json);
    Collection base = db.GetClass("car").GetCollection("default");
    // A resize to 3 as the library makes it: a new record with capacity = count.
    auto* record = static_cast<uint8_t*>(std::calloc(1, 8 + 3 * 4));
    const uint16_t header[4] = {3, 3, 4, 0};
    const int32_t elements[3] = {1, 2, 0};
    std::memcpy(record, header, sizeof header);
    std::memcpy(record + 8, elements, sizeof elements);
    base.GetOwnEntry("Gears").value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record));

    EXPECT_EQ(Unordered(DumpDescription(
                  db)["classes"]["car"]["collections"]["default"]["values"]["Gears"]),
              R"({"capacity": 3, "items": [1, 2, 0]})"_json);
}

// ---- what a database keeps for its description ----------------------------------

TEST(DescriptionOwnership, FactsAndTextsLiveAndDieWithTheirDatabase) {
    // The second database sits where the first one was, and its blocks may
    // reuse the first one's: nothing may tie facts to an address.
    std::optional<Database> db;
    db.emplace();
    LoadDescription(*db, R"({"classes": {"car": {
        "fields": {
            "Blob":  {"type": "Engine::Blob", "size": 6},
            "Ghost": {"type": "KQ::Reflection::Int32", "definition": false},
            "Slots": {"type": "KQ::Reflection::Int32", "array": true, "capacity": 8},
            "Name":  {"type": "KQ::Reflection::Text"}},
        "collections": {"default": {"values": {
            "Blob": "010203040506", "Ghost": 7, "Slots": [1], "Name": "Tormelin GT"}}}}}})"_json);
    const Collection described = db->GetClass("car").GetCollection("default");
    EXPECT_STREQ(reinterpret_cast<const char*>(Target(described.GetOwnEntry("Name").value)),
                 "Tormelin GT");
    // Its text is freed here with it: the sanitizer preset reports a leak otherwise.
    db.reset();

    // The same class built again without a description: none of the described
    // facts may apply to it, so the dump falls back to what host memory shows.
    db.emplace();
    Class car = db->AddClass("car");
    car.Define("Blob", "Engine::Blob").Define("Slots", "KQ::Reflection::Int32");
    car.AddCollection("default")
        .SetInline<uint32_t>("Blob", 0x04030201)
        .SetInline<int32_t>("Ghost", 7)
        .SetArray("Slots", ArrayOf<int32_t>({1}));
    EXPECT_EQ(car.FindFieldFacts("Blob"), nullptr);
    EXPECT_EQ(Unordered(DumpDescription(*db)), Unordered(R"({"classes": {"car": {
        "fields": {
            "Blob":  {"type": "Engine::Blob", "size": 4},
            "Slots": {"type": "KQ::Reflection::Int32", "array": true},
            "Ghost": {"type": "0x00000000", "size": 4, "definition": false}},
        "collections": {"default": {"values": {
            "Blob": "01020304", "Ghost": "07000000", "Slots": [1]}}}}}})"_json));
}

// ---- errors ----------------------------------------------------------------------

std::string PointerOfError(const Json& description) {
    Database db;
    try {
        LoadDescription(db, description);
    } catch (const DescriptionError& error) {
        EXPECT_TRUE(db.Classes().empty()) << "a bad description must leave the database empty";
        return error.Pointer();
    }
    return "(no error)";
}

Json WithField(const Json& field, const Json& values = Json::object()) {
    return Json{
        {"classes",
         {{"car",
           {{"fields", {{"F", field}}}, {"collections", {{"default", {{"values", values}}}}}}}}}};
}

TEST(DescriptionErrors, NameTheJsonPointerOfTheProblem) {
    EXPECT_EQ(PointerOfError(R"({"class": {}})"_json), "/class");
    EXPECT_EQ(
        PointerOfError(WithField(R"({"type": "KQ::Reflection::Float", "storgae": "x"})"_json)),
        "/classes/car/fields/F/storgae");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": 5})"_json)), "/classes/car/fields/F/type");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "Mystery"})"_json)),
              "/classes/car/fields/F/type");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "KQ::Reflection::Float", "size": 4})"_json)),
              "/classes/car/fields/F/size");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "KQ::Reflection::Float", "capacity": 4})"_json)),
              "/classes/car/fields/F/capacity");
    EXPECT_EQ(
        PointerOfError(WithField(R"({"type": "AxlePair", "array": true, "elementSize": 4})"_json)),
        "/classes/car/fields/F/elementSize");
    EXPECT_EQ(PointerOfError(
                  WithField(R"({"type": "KQ::Reflection::UInt8"})"_json, R"({"F": 256})"_json)),
              "/classes/car/collections/default/values/F");
    EXPECT_EQ(PointerOfError(
                  WithField(R"({"type": "KQ::Reflection::Int16"})"_json, R"({"F": 1.5})"_json)),
              "/classes/car/collections/default/values/F");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "FECarPartInfo"})"_json,
                                       R"({"F": {"Level": 1, "Rep": "x"}})"_json)),
              "/classes/car/collections/default/values/F/Rep");
    EXPECT_EQ(PointerOfError(
                  WithField(R"({"type": "Attrib::Types::Vector3"})"_json, R"({"F": [1, 2]})"_json)),
              "/classes/car/collections/default/values/F");
    EXPECT_EQ(
        PointerOfError(WithField(R"({"type": "Blob", "size": 2})"_json, R"({"F": "abcdef"})"_json)),
        "/classes/car/collections/default/values/F");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "KQ::Reflection::Int32", "array": true,
                                           "capacity": 2})"_json,
                                       R"({"F": [1, 2, 3]})"_json)),
              "/classes/car/collections/default/values/F/2");
    EXPECT_EQ(
        PointerOfError(WithField(R"({"type": "KQ::Reflection::Int32"})"_json, R"({"G": 1})"_json)),
        "/classes/car/collections/default/values/G");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "Attrib::StringHashWrapper32"})"_json,
                                       R"({"F": "0xNOPE"})"_json)),
              "/classes/car/collections/default/values/F");
    EXPECT_EQ(PointerOfError(WithField(R"({"type": "KQ::Reflection::Float", "offset": 4})"_json)),
              "/classes/car/fields/F/offset");
    EXPECT_EQ(PointerOfError(R"({"classes": {"car": {"fields": {
        "F": {"type": "KQ::Reflection::Int32", "storage": "layout", "offset": 4},
        "G": {"type": "KQ::Reflection::Int16", "storage": "layout", "offset": 6}}}}})"_json),
              "/classes/car/fields/G/offset");
    EXPECT_EQ(PointerOfError(R"({"note": 1, "classes": {}})"_json), "/note");
}

// Values are checked as they are written: one that fails after others were
// written (a text, an array, a whole class) takes the database back to empty,
// ready for a good description.
TEST(DescriptionErrors, ABadValueLateInTheDescriptionLeavesTheDatabaseEmpty) {
    const Json bad = R"({"classes": {
        "bike": {"fields": {"Name": {"type": "KQ::Reflection::Text"},
                            "Gears": {"type": "KQ::Reflection::Int32", "array": true}},
                 "collections": {"a": {"values": {"Name": "x", "Gears": [1, 2]}}}},
        "car": {"fields": {"Doors": {"type": "KQ::Reflection::UInt8"}},
                "collections": {"a": {"values": {"Doors": 2}},
                                "b": {"parent": "a", "values": {"Doors": 300}}}}}})"_json;
    EXPECT_EQ(PointerOfError(bad), "/classes/car/collections/b/values/Doors");
    Database db;
    EXPECT_THROW(LoadDescription(db, bad), DescriptionError);
    EXPECT_TRUE(db.Classes().empty());
    LoadDescription(db, WithField(R"({"type": "KQ::Reflection::UInt8"})"_json, R"({"F": 2})"_json));
    EXPECT_EQ(db.GetClass("car").CollectionCount(), 1u);
}

TEST(DescriptionErrors, ParentsMustBeCollectionsOfTheSameClassWithoutCycles) {
    EXPECT_EQ(PointerOfError(R"({"classes": {
        "car":  {"collections": {"a": {"parent": "b"}}},
        "bike": {"collections": {"b": {}}}}})"_json),
              "/classes/car/collections/a/parent");
    const std::string cycle = PointerOfError(R"({"classes": {"car": {"collections": {
        "a": {"parent": "c"}, "b": {"parent": "a"}, "c": {"parent": "b"}}}}})"_json);
    EXPECT_THAT(cycle, testing::StartsWith("/classes/car/collections/"));
    EXPECT_THAT(cycle, testing::EndsWith("/parent"));
    EXPECT_EQ(PointerOfError(R"({"classes": {"car": {"collections": {
        "a": {"parent": "a"}}}}})"_json),
              "/classes/car/collections/a/parent");
}

TEST(DescriptionErrors, SameKeyTwiceAndNonEmptyDatabaseAreRefused) {
    const std::string hex = fmt::format("0x{:08X}", HashName("car"));
    // The later of the two names for one key is the one reported.
    EXPECT_EQ(PointerOfError(Json{{"classes", {{"car", Json::object()}, {hex, Json::object()}}}}),
              "/classes/" + hex);
    Database db;
    db.AddClass("existing");
    EXPECT_THROW(LoadDescription(db, R"({"classes": {}})"_json), DescriptionError);
}

// ---- files -------------------------------------------------------------------------

TEST(DescriptionFile, MalformedFileNamesTheFileAndThePosition) {
    const auto path = std::filesystem::temp_directory_path() / "vexa_bad_description.json";
    std::ofstream(path) << "{\n  \"classes\": {,\n}";
    try {
        ReadDescriptionFile(path);
        ADD_FAILURE() << "no error";
    } catch (const DescriptionError& error) {
        EXPECT_THAT(error.what(), HasSubstr("vexa_bad_description.json"));
        EXPECT_THAT(error.what(), HasSubstr("line 2"));
        EXPECT_EQ(error.Pointer(), "");
    }
    std::filesystem::remove(path);
    EXPECT_THROW(ReadDescriptionFile(path), DescriptionError);
}

}  // namespace
}  // namespace rakor::Sandbox

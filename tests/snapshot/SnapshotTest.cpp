// The snapshot of the game's database, held against what it must not change
// and against what it describes: every pack played with the snapshot folder
// and without gives the same passes (log, calls into the host, database);
// every file written loads in vxmod, and vxmod run on before.json logs what
// the game logged and leaves the database as after.json has it; and records
// laid byte by byte come back from before.json as they were laid.
#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ByteHost.h"
#include "hash/HashResolver.h"
#include "host/TextFile.h"
#include "loader/GameDescription.h"
#include "loader/ScriptRunner.h"
#include "loader/Snapshot.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"
#include "support/HashListOf.h"
#include "support/LogCapture.h"
#include "support/RecordedHost.h"
#include "support/TempDirectory.h"
#include "typedb/AttribTypeRegistry.h"

namespace rakor {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using ::testing::Contains;
using ::testing::HasSubstr;
using vexa::test::ByteHost;
using vexa::test::HostCall;

// What the snapshot itself logs names its files.
constexpr std::string_view kSnapshotLine = "VexaAttribLoader/snapshot/";

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> bytes;
    for (const auto& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

// The same document whatever the order of its object keys.
nlohmann::json Unordered(const Json& document) {
    return nlohmann::json::parse(document.dump());
}

// The odd records a game may hold, laid byte by byte, each kept as laid so
// that what vxmod reads back can be held against it.
struct OddRecords {
    // class car: layout TopSpeed (Float, 0), Doors (UInt8, 4), bytes 5 to 7
    // taken by no field, Gears (Int16 array, 8, a room of 16 bytes).
    std::vector<uint8_t> defaultBlock =
        Joined({BytesOf(200.0f),
                {4, 0xAB, 0xCD, 0xEF},
                // capacity 4, count 2, 2-byte elements, 0xBEEF at 0x06; a slot
                // beyond the count that is not zero.
                {4, 0, 2, 0, 2, 0, 0xEF, 0xBE, 3, 0, 5, 0, 0x77, 0x77, 0, 0}});
    // Ratios: capacity 4, count 3, 8-byte slots for 4-byte floats, the
    // padding and the unused slot not zero, 0x0102 at 0x06.
    std::vector<uint8_t> ratios = Joined({{4, 0, 3, 0, 8, 0, 2, 1},
                                          BytesOf(3.5f),
                                          {1, 1, 1, 1},
                                          BytesOf(2.0f),
                                          {2, 2, 2, 2},
                                          BytesOf(1.25f),
                                          {3, 3, 3, 3},
                                          {9, 9, 9, 9, 9, 9, 9, 9}});
    // A reference to engine->v8 whose third word is the game's own.
    std::vector<uint8_t> engine = Joined(
        {BytesOf(ByteHost::Key("engine")), BytesOf(ByteHost::Key("v8")), BytesOf(0xDEADBEEFu)});
    uint32_t badgeWord = 0xABCDEF05u;  // a UInt8 in the low byte, the rest not zero
    uint32_t nanWord = 0xFFA00001u;    // a signalling NaN with its sign set and a payload
    // count 5 in 3 slots
    std::vector<uint8_t> overfull =
        Joined({{3, 0, 5, 0, 4, 0, 0, 0}, BytesOf(1.0f), BytesOf(2.0f), BytesOf(3.0f)});
    uint32_t rigPower = 380;
    uint32_t v8Power = 450;
    // The entry table of "edge" ends where memory does: only where the loader
    // guards its reads of the game's records.
#if defined(_WIN32)
    bool edgeOfMemory = true;
#else
    bool edgeOfMemory = false;
#endif
};

// Lays the odd records in `host`: classes car, truck (which nothing names)
// and engine (only a reference leads to it).
void LayOddRecords(ByteHost& host, const OddRecords& odd) {
    const auto key = &ByteHost::Key;
    uint8_t* car = host.AddClass(key("car"), 24,
                                 {{key("TopSpeed"), 0}, {key("Doors"), 4}, {key("Gears"), 8, 2}});
    uint8_t* truck = host.AddClass(key("truck"), 8, {{key("Power"), 0}});
    uint8_t* engine = host.AddClass(key("engine"), 0, {});
    for (const auto& [field, type] :
         std::vector<std::pair<const char*, const char*>>{{"TopSpeed", "KQ::Reflection::Float"},
                                                          {"Doors", "KQ::Reflection::UInt8"},
                                                          {"Gears", "KQ::Reflection::Int16"},
                                                          {"Mass", "KQ::Reflection::Float"},
                                                          {"Ratios", "KQ::Reflection::Float"},
                                                          {"Engine", "Attrib::RefSpec"},
                                                          {"Badge", "KQ::Reflection::UInt8"},
                                                          {"Weird", "KQ::Reflection::Float"},
                                                          {"Centre", "Attrib::Types::Vector3"},
                                                          {"Spares", "KQ::Reflection::Int32"},
                                                          {"Power", "KQ::Reflection::Int32"}}) {
        host.Define(car, key(field), type);
    }
    host.Define(truck, key("Power"), "KQ::Reflection::Int32");
    host.Define(engine, key("Power"), "KQ::Reflection::Int32");

    const auto word = [](const auto& value) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof value);
        return bits;
    };
    uint8_t* base = host.AddCollection(car, key("default"), nullptr,
                                       {{key("Mass"), word(1200.0f)},
                                        {key("Ratios"), ByteHost::Word(host.Copy(odd.ratios)), 2},
                                        {key("Engine"), ByteHost::Word(host.Copy(odd.engine))},
                                        {key("Badge"), odd.badgeWord},
                                        {key("Weird"), odd.nanWord},
                                        {key("Centre"), 0},
                                        {key("Spares"), 0, 2},
                                        {key("Mass"), word(999.0f)}},
                                       odd.defaultBlock);
    // Ratios a single value here; Mass twice, the first one the game's.
    host.AddCollection(
        car, key("coupe"), base,
        {{key("Ratios"), word(2.5f)}, {key("Mass"), word(111.0f)}, {key("Mass"), word(222.0f)}},
        odd.defaultBlock);
    // A parent of another class, which only this parent word leads to.
    uint8_t* rig = host.AddCollection(truck, key("rig"), nullptr, {}, BytesOf(odd.rigPower));
    host.AddCollection(car, key("hauler"), rig, {{key("Mass"), word(3000.0f)}});
    // Parents in a loop: loopA's parent leads back to it.
    uint8_t* loopA = host.AddCollection(car, key("loopA"), nullptr, {{key("Mass"), word(5.0f)}});
    uint8_t* loopB = host.AddCollection(car, 0, loopA, {});
    std::memcpy(loopA + 0x10, &loopB, 4);
    host.AddCollection(car, key("overfull"), base,
                       {{key("Ratios"), ByteHost::Word(host.Copy(odd.overfull)), 2}});
    host.AddCollection(engine, key("v8"), nullptr, {{key("Power"), odd.v8Power}});

    // An entry table that claims more entries than there is memory for.
    uint8_t* edge = host.AddCollection(car, key("edge"), base, {{key("Mass"), word(1.0f)}});
    const std::vector<ByteHost::EntryRow> readable{{key("Mass"), word(7.0f)}};
    uint8_t* table = odd.edgeOfMemory ? host.AtEdgeOfMemory(12 * readable.size()) : nullptr;
    uint32_t count = 1000;
    if (table != nullptr) {
        ByteHost::LayEntries(table, readable);
        const uint32_t at = ByteHost::Word(table);
        std::memcpy(edge, &at, 4);
    } else {
        count = 0x7FFFFFFF;  // without a fault guard: a count no table holds
    }
    std::memcpy(edge + 4, &count, 4);
}

// What a script names the snapshot writes: every collection by a line that
// does nothing, and a few lines that change what is odd.
constexpr const char* kOddScript = R"(delete_node car default
delete_node car coupe
delete_node car hauler
delete_node car loopA
delete_node car overfull
delete_node car edge
update_field car default TopSpeed 230
update_field car default Gears[1] 6
update_field car coupe Mass 150
update_field car default Engine Collection v8
resize_field car default Ratios 5
update_field car default Ratios[4] 0.5
update_field car hauler Power 500
add_node car default roadster
update_field car roadster Doors 2
update_field car default Badge 7
update_field car default Centre X 1
update_field car loopA Mass 6
update_field car nope Mass 1
)";

// A pack: a database, scripts and perhaps a hash list, as a game folder has them.
struct Pack {
    std::string name;
    std::string database;  // a description file; empty: the odd records
    std::function<void(const vexa::test::TempDirectory&)> files;
};

void CopyFolder(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive);
}

std::vector<Pack> Packs() {
    const auto examples = [](const vexa::test::TempDirectory& cwd) {
        CopyFolder(VEXA_EXAMPLES "/AttribMods", cwd.Path() / "AttribMods");
    };
    return {
        {"examples", VEXA_EXAMPLES "/database.json", examples},
        {"examples with a hash list naming everything", VEXA_EXAMPLES "/database.json",
         [=](const vexa::test::TempDirectory& cwd) {
             examples(cwd);
             cwd.Write("Qzr/VLTHashes.txt", vexa::test::HashListOf(Sandbox::ReadDescriptionFile(
                                                VEXA_EXAMPLES "/database.json")));
         }},
        // A key written out, which the hash list names: the log shows the
        // list's name, with the snapshot as without.
        {"a class named by its key and the hash list", VEXA_EXAMPLES "/database.json",
         [](const vexa::test::TempDirectory& cwd) {
             cwd.Write("AttribMods/keys.vxmod",
                       fmt::format("update_field 0x{:08x} default TopSpeed 1\n"
                                   "update_field car 0x{:08X} TopSpeed 2\n",
                                   ByteHost::Key("bike"), ByteHost::Key("coupe")));
             cwd.Write("Qzr/VLTHashes.txt", "bike\ncoupe\n");
         }},
        {"the fuzzer's seeds", VEXA_EVERY_FIELD_DATABASE,
         [](const vexa::test::TempDirectory& cwd) {
             for (const auto& seed : fs::directory_iterator(VEXA_SCRIPT_SEEDS)) {
                 fs::create_directories(cwd.Path() / "AttribMods");
                 fs::copy_file(seed.path(), cwd.Path() / "AttribMods" / seed.path().filename());
             }
             cwd.Write(
                 "Qzr/VLTHashes.txt",
                 vexa::test::HashListOf(Sandbox::ReadDescriptionFile(VEXA_EVERY_FIELD_DATABASE)));
         }},
        {"odd records laid byte by byte", "",
         [](const vexa::test::TempDirectory& cwd) {
             cwd.Write("AttribMods/odd.vxmod", kOddScript);
             cwd.Write("Qzr/VLTHashes.txt", "truck\nrig\nv8\nPower\nMass\n");
         }},
    };
}

// The database of a pack, while it lives.
class PackDatabase {
public:
    PackDatabase(const Pack& pack, const OddRecords& odd) {
        if (pack.database.empty()) {
            host_.emplace();
            LayOddRecords(*host_, odd);
        } else {
            sandbox_.emplace();
            Sandbox::LoadDescription(*sandbox_, Sandbox::ReadDescriptionFile(pack.database));
        }
    }

    // Everything the database holds, to hold one run against another: the
    // sandbox's own dump, or for the odd records a description of every
    // collection a script names.
    std::string State(spdlog::logger& log) const {
        if (sandbox_) {
            return Sandbox::DumpDescription(*sandbox_).dump(1);
        }
        GameDescription game(NamesTheScriptsUse("AttribMods"), GameNames::ReadHashList(), log);
        std::string text;
        game.Describe("", [&](std::string_view piece) { text += piece; });
        return text;
    }

private:
    std::optional<Sandbox::Database> sandbox_;
    std::optional<ByteHost> host_;
};

struct Played {
    std::vector<std::vector<std::string>> logs;  // by pass
    std::vector<std::vector<HostCall>> calls;    // by pass
    std::vector<std::string> states;             // after each pass
};

// Passes as the game plays them (loader/ModLoader.cpp): the folder is looked
// for on the first pass, which then writes before.json first and
// after.json last.
Played Play(const PackDatabase& database, int passes) {
    Played played;
    vexa::test::LogCapture log;
    vexa::test::LogCapture quiet;
    std::size_t lines = 0;
    for (int pass = 0; pass < passes; ++pass) {
        std::unique_ptr<Snapshot> snapshot =
            pass == 0 ? Snapshot::IfAsked("AttribMods", *log.Logger()) : nullptr;
        if (snapshot) {
            snapshot->Before();
        }
        vexa::test::StartNotingCalls();
        ScriptRunner(log.Logger(), [](const std::string&, const std::string&) {
        }).LoadScriptDirectory("AttribMods");
        played.calls.push_back(vexa::test::StopNotingCalls());
        if (snapshot) {
            snapshot->After();
        }
        const std::vector<std::string> all = log.Lines();
        played.logs.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(lines), all.end());
        lines = all.size();
        played.states.push_back(database.State(*quiet.Logger()));
    }
    return played;
}

std::vector<std::string> WithoutSnapshotLines(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        if (line.find(kSnapshotLine) == std::string::npos) {
            kept.push_back(line);
        }
    }
    return kept;
}

class SnapshotTest : public ::testing::Test {
protected:
    SnapshotTest() {
        // Filled once a process, at its first pass: filled before any run
        // here, each run's first pass makes the same calls.
        Attrib::AttribTypeRegistry::Instance();
        Attrib::HashResolver::ResetForTesting();
    }
    ~SnapshotTest() override { Attrib::HashResolver::ResetForTesting(); }
};

// The snapshot only reads: with the folder and without, each pack's two
// passes log the same lines (the snapshot's own aside), make the same calls
// into the host in the same order, and leave the same database.
TEST_F(SnapshotTest, ThePassesAreTheSameWithTheFolderAndWithout) {
    const OddRecords odd;
    for (const Pack& pack : Packs()) {
        SCOPED_TRACE(pack.name);
        std::optional<Played> runs[2];
        for (const bool asked : {false, true}) {
            vexa::test::TempDirectory cwd(/*enter=*/true);
            pack.files(cwd);
            if (asked) {
                fs::create_directories(kSnapshotFolder);
            }
            Attrib::HashResolver::ResetForTesting();
            const PackDatabase database(pack, odd);
            runs[asked].emplace(Play(database, 2));
        }
        const Played& off = *runs[0];
        const Played& on = *runs[1];
        EXPECT_EQ(
            std::count_if(on.logs[0].begin(), on.logs[0].end(),
                          [](const std::string& line) {
                              return line.starts_with("info|Wrote VexaAttribLoader/snapshot/");
                          }),
            2)
            << "both files are written";
        for (std::size_t pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(WithoutSnapshotLines(on.logs[pass]), off.logs[pass]) << "pass " << pass;
            EXPECT_TRUE(on.calls[pass] == off.calls[pass])
                << "pass " << pass << ": " << on.calls[pass].size() << " calls, not "
                << off.calls[pass].size();
            for (std::size_t i = 0; i < std::min(on.calls[pass].size(), off.calls[pass].size());
                 ++i) {
                if (!(on.calls[pass][i] == off.calls[pass][i])) {
                    ADD_FAILURE() << i << ": " << on.calls[pass][i].operation << " "
                                  << on.calls[pass][i].argument << " vs "
                                  << off.calls[pass][i].operation << " "
                                  << off.calls[pass][i].argument;
                    break;
                }
            }
            EXPECT_EQ(on.states[pass], off.states[pass]) << "pass " << pass;
        }
    }
}

// Each file loads in vxmod, and vxmod run on before.json with the same
// scripts and hash list logs what the game logged and leaves the database
// as after.json has it.
TEST_F(SnapshotTest, VxmodRunOnBeforeGivesTheGamesLogAndAfter) {
    const OddRecords odd;
    for (const Pack& pack : Packs()) {
        SCOPED_TRACE(pack.name);
        Attrib::HashResolver::ResetForTesting();
        vexa::test::TempDirectory cwd(/*enter=*/true);
        pack.files(cwd);
        fs::create_directories(kSnapshotFolder);
        std::vector<std::string> gameLog;
        {
            const PackDatabase database(pack, odd);
            gameLog = WithoutSnapshotLines(Play(database, 1).logs[0]);
        }
        const fs::path folder = kSnapshotFolder;
        Json after;
        {
            Sandbox::Database loaded;
            ASSERT_NO_THROW(Sandbox::LoadDescription(
                loaded, Sandbox::ReadDescriptionFile(folder / kSnapshotAfter)));
            after = Sandbox::DumpDescription(loaded);
        }
        Attrib::HashResolver::ResetForTesting();
        Sandbox::Database replayed;
        ASSERT_NO_THROW(Sandbox::LoadDescription(
            replayed, Sandbox::ReadDescriptionFile(cwd.Path() / folder / kSnapshotBefore)))
            << "loaded in vxmod";
        vexa::test::LogCapture log;
        ScriptRunner(log.Logger(), [](const std::string&, const std::string&) {
        }).LoadScriptDirectory("AttribMods");
        EXPECT_EQ(log.Lines(), gameLog);
        EXPECT_EQ(Unordered(Sandbox::DumpDescription(replayed)), Unordered(after));
    }
}

// Where a value lies in a collection, for reading it back from the database
// vxmod loads.
enum class Place { Layout, Word, Pointed, Array };

struct Laid {
    const char* collection;
    const char* field;  // a layout field, or an own entry's; "" for bytes at an offset
    Place place;
    std::vector<uint8_t> bytes;  // as laid, or as the game has them
    uint32_t offset = 0;         // for bytes no field takes
};

// Each odd record comes back from before.json as the game holds it: vxmod's
// database has the bytes that were laid, read from its own records.
TEST_F(SnapshotTest, BytesLaidComeBackFromBeforeAsTheyWereLaid) {
    const OddRecords odd;
    vexa::test::TempDirectory cwd(/*enter=*/true);
    const Pack pack = Packs().back();
    pack.files(cwd);
    fs::create_directories(kSnapshotFolder);
    std::vector<std::string> log;
    {
        const PackDatabase database(pack, odd);
        log = Play(database, 1).logs[0];
    }
    const Json before = Sandbox::ReadDescriptionFile(fs::path(kSnapshotFolder) / kSnapshotBefore);
    Sandbox::Database db;
    ASSERT_NO_THROW(Sandbox::LoadDescription(db, before));
    const Sandbox::Class car = db.GetClass("car");

    const auto word = [](const auto& value) { return BytesOf(value); };
    const std::vector<Laid> laid{
        {"default", "TopSpeed", Place::Layout, word(200.0f)},
        {"default", "Doors", Place::Layout, {4}},
        {"default", "", Place::Layout, {0xAB, 0xCD, 0xEF}, 5},
        {"default", "Gears", Place::Layout,
         std::vector<uint8_t>(odd.defaultBlock.begin() + 8, odd.defaultBlock.end())},
        {"default", "Mass", Place::Word, word(1200.0f)},  // the first of two
        {"default", "Ratios", Place::Array, odd.ratios},
        {"default", "Engine", Place::Pointed, odd.engine},
        {"default", "Badge", Place::Word, word(odd.badgeWord)},
        {"default", "Weird", Place::Word, word(odd.nanWord)},
        {"default", "Centre", Place::Word, word(0u)},  // a null pointer
        {"default", "Spares", Place::Array, {}},       // a null array record
        {"coupe", "Ratios", Place::Word, word(2.5f)},  // no array in this one
        {"coupe", "Mass", Place::Word, word(111.0f)},
        // 5 elements counted in 3 slots: the 3.
        {"overfull", "Ratios", Place::Array,
         Joined({{3, 0, 3, 0, 4, 0, 0, 0}, BytesOf(1.0f), BytesOf(2.0f), BytesOf(3.0f)})},
    };
    for (const Laid& value : laid) {
        SCOPED_TRACE(fmt::format("{}.{}", value.collection, value.field));
        const Sandbox::Collection collection = car.GetCollection(value.collection);
        if (value.place == Place::Layout) {
            const uint32_t offset =
                *value.field == '\0' ? value.offset : collection.LayoutOffset(value.field);
            const auto block = collection.LayoutBytes();
            EXPECT_EQ(std::vector<uint8_t>(block.begin() + offset,
                                           block.begin() + offset + value.bytes.size()),
                      value.bytes);
            continue;
        }
        const Sandbox::OwnEntry* entry = collection.FindOwnEntry(value.field);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ((entry->flags & Sandbox::kArrayFlag) != 0, value.place == Place::Array);
        const auto* target = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(entry->value));
        const std::vector<uint8_t> got =
            value.place == Place::Word ? BytesOf(entry->value)
            : target == nullptr        ? std::vector<uint8_t>()
                                       : std::vector<uint8_t>(target, target + value.bytes.size());
        EXPECT_EQ(got, value.bytes);
    }

    // The parent in another class, with its own value; the class a
    // reference leads to, which no script names.
    const std::optional<Sandbox::Collection> rig = car.GetCollection("hauler").Parent();
    ASSERT_TRUE(rig.has_value());
    EXPECT_NE(rig->GetClass(), car);
    EXPECT_EQ(rig->ReadLayout<uint32_t>("Power"), odd.rigPower);
    EXPECT_EQ(db.GetClass("engine").GetCollection("v8").ReadInline<uint32_t>("Power"), odd.v8Power);

    // The loop is cut where it closes, and each thing the format cannot say
    // is a note where it lies.
    const Json& collections = before["classes"]["car"]["collections"];
    EXPECT_EQ(collections["loopA"]["parent"], "(unnamed parent of loopA)");
    EXPECT_FALSE(collections["(unnamed parent of loopA)"].contains("parent"));
    const std::vector<std::pair<const char*, const char*>> notes{
        {"(unnamed parent of loopA)", "leads back to it through its parents"},
        {"default", "Entry 7 of its own entries holds 'Mass' again, after entry 0"},
        {"coupe", "Entry 2 of its own entries holds 'Mass' again"},
        {"overfull", "counts 5 elements, more than its 3 slots"},
        {"edge", odd.edgeOfMemory ? "could not read this collection's values (access violation"
                                  : "counts 2147483647 entries, which no collection holds"}};
    for (const auto& [collection, note] : notes) {
        EXPECT_THAT(collections[collection].value("note", ""), HasSubstr(note)) << collection;
    }
    EXPECT_THAT(log, Contains(HasSubstr(fmt::format("({} classes, {} collections, {} notes)", 3,
                                                    collections.size() + 2, notes.size()))));
}

}  // namespace
}  // namespace rakor

// sandbox-game: the game, as far as the plug-in can tell, for proving the
// plug-in under Wine. See GameOptions.cpp for what it does.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "ExampleDatabase.h"
#include "GameImage.h"
#include "GameOptions.h"
#include "PluginModule.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

namespace sandbox_game {
namespace {

namespace fs = std::filesystem;
namespace sandbox = rakor::Sandbox;

constexpr int kExitFailedLine = 1;
constexpr int kExitUnusable = 2;
constexpr int kExitBrokenGame = 3;
constexpr const char* kPluginFileName = "VexaAttribLoader.Tormelin.asi";

std::string Hex(const std::vector<uint8_t>& bytes) {
    return fmt::format("{:02X}", fmt::join(bytes, " "));
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The game's two patch sites, as they are now.
struct GameCode {
    std::vector<uint8_t> call = ReadGameBytes(address::kModsCallSite, kCallLength);
    std::vector<uint8_t> removed = ReadGameBytes(address::kRemovedCodeSite, kRemovedCodeLength);
    friend bool operator==(const GameCode&, const GameCode&) = default;
};

class Game {
public:
    explicit Game(const GameOptions& options) : options_(options) {}

    int Play();

private:
    int Unusable(const std::string& message) {
        fmt::print(stderr, "sandbox-game: {}\n", message);
        return kExitUnusable;
    }
    void Fault(const std::string& message) {
        fmt::print("FAULT: {}\n", message);
        broken_ = true;
    }
    void ReportCall(const GameCode& code, const Plugin& plugin);
    void PlayAndReport(int pass);
    void CallEntryPoint(const Plugin& plugin, DWORD reason);

    const GameOptions& options_;
    bool broken_ = false;
};

void Game::ReportCall(const GameCode& code, const Plugin& plugin) {
    uint32_t distance = 0;
    std::memcpy(&distance, code.call.data() + 1, sizeof distance);
    const uintptr_t target = address::kModsCallSite + kCallLength + distance;
    std::string where = "outside the plug-in";
    if (target >= kGameCodeStart && target < kGameCodeEnd) {
        where = "the game's own code";
    } else if (target >= plugin.base && target < plugin.end) {
        where = fmt::format("plug-in + 0x{:X}", target - plugin.base);
    }
    fmt::print("0x{:X} after:  {} (a call of 0x{:08X}, {})\n", address::kModsCallSite,
               Hex(code.call), target, where);
    fmt::print("0x{:X} after:  {}\n", address::kRemovedCodeSite, Hex(code.removed));
}

void Game::PlayAndReport(int pass) {
    const FrameRecord frame = PlayFrame();
    const bool kept =
        frame.registersAfter == kFrameRegisters && frame.stackAfter == frame.stackBefore;
    if (frame.routineRuns.size() != 1) {
        Fault(fmt::format("pass {}: the replaced routine ran {} times", pass,
                          frame.routineRuns.size()));
    } else if (frame.routineRuns[0].self != address::kGameObject) {
        Fault(fmt::format("pass {}: the replaced routine got this-object 0x{:08X}, not 0x{:08X}",
                          pass, frame.routineRuns[0].self, address::kGameObject));
    } else if (frame.routineRuns[0].hostCallsBefore != 0) {
        Fault(fmt::format("pass {}: the replaced routine ran after {} database calls", pass,
                          frame.routineRuns[0].hostCallsBefore));
    }
    if (!kept) {
        const Registers& r = frame.registersAfter;
        Fault(
            fmt::format("pass {}: registers after the call: EBX {:08X} ESI {:08X} EDI {:08X} "
                        "EBP {:08X}, ESP moved by {}",
                        pass, r.ebx, r.esi, r.edi, r.ebp,
                        static_cast<int32_t>(frame.stackAfter - frame.stackBefore)));
    }
    std::string routine =
        fmt::format("the replaced routine ran {} times", frame.routineRuns.size());
    uint32_t callsAfter = frame.hostCalls;
    if (frame.routineRuns.size() == 1) {
        const FrameRecord::RoutineRun& run = frame.routineRuns[0];
        routine = fmt::format("the replaced routine ran {}, with this-object 0x{:08X}",
                              run.hostCallsBefore == 0
                                  ? std::string("first")
                                  : fmt::format("after {} database calls", run.hostCallsBefore),
                              run.self);
        callsAfter -= run.hostCallsBefore;
    }
    fmt::print("pass {}: {}, then {} database calls; EBX ESI EDI EBP ESP {}\n", pass, routine,
               callsAfter, kept ? "kept" : "CHANGED");
}

void Game::CallEntryPoint(const Plugin& plugin, DWORD reason) {
    const GameCode before;
    const BOOL result = sandbox_game::CallEntryPoint(plugin, reason);
    const bool unchanged = GameCode() == before;
    fmt::print("entry point, reason {}: {}, game code {}\n", reason, result ? "TRUE" : "FALSE",
               unchanged ? "unchanged" : "CHANGED");
    if (!result || !unchanged) {
        Fault(fmt::format("the entry point with reason {} did not leave the game alone", reason));
    }
}

int Game::Play() {
    // Paths given on the command line are taken from where the game starts;
    // then the game runs in its own folder, as the plug-in expects.
    const fs::path folder = fs::absolute(options_.folder);
    const fs::path gameFolder = folder.parent_path();
    const fs::path dll = options_.dll ? fs::absolute(*options_.dll) : gameFolder / kPluginFileName;
    const auto database =
        options_.database ? std::optional(fs::absolute(*options_.database)) : std::nullopt;
    const auto dump = options_.dump ? std::optional(fs::absolute(*options_.dump)) : std::nullopt;

    std::string error;
    if (!LayOutGameImage(options_.unsupportedVersion ? GameVersion::Other : GameVersion::Supported,
                         error)) {
        return Unusable(error);
    }

    sandbox::Database db;
    try {
        sandbox::LoadDescription(
            db, database ? sandbox::ReadDescriptionFile(*database)
                         : nlohmann::ordered_json::parse(vxmod::kExampleDatabaseJson));
    } catch (const std::exception& failure) {
        return Unusable(fmt::format("cannot use {}: {}",
                                    database ? "'" + Utf8(*database) + "'" : "the built-in example",
                                    failure.what()));
    }
    SetDatabaseInstance(sandbox::Database::Current());

    std::error_code cannotEnter;
    fs::current_path(gameFolder, cannotEnter);
    if (cannotEnter) {
        return Unusable(fmt::format("cannot enter the game's folder '{}': {}", Utf8(gameFolder),
                                    cannotEnter.message()));
    }

    const GameCode original;
    fmt::print("0x{:X} before: {}\n", address::kModsCallSite, Hex(original.call));
    fmt::print("0x{:X} before: {}\n", address::kRemovedCodeSite, Hex(original.removed));

    const uint32_t callsBeforeLoading = HostCalls();
    const std::optional<Plugin> plugin = LoadPlugin(dll, options_.occupyPreferredBase, error);
    if (!plugin) {
        return Unusable(fmt::format("cannot load the plug-in '{}': {}", Utf8(dll), error));
    }
    const uint32_t callsWhileLoading = HostCalls() - callsBeforeLoading;
    fmt::print("plug-in {} loaded at 0x{:08X}; it asks for 0x{:08X}{}\n", Utf8(dll.filename()),
               plugin->base, plugin->preferredBase,
               options_.occupyPreferredBase ? ", which the game occupied" : "");
    fmt::print("database calls while loading: {}\n", callsWhileLoading);
    if (callsWhileLoading != 0) {
        Fault("the plug-in called the game's code while it was loaded");
    }
    if (!CaptureWarningBoxes(*plugin, error)) {
        return Unusable(fmt::format("cannot capture the plug-in's warning box: {}", error));
    }
    ReportCall(GameCode(), *plugin);

    if (options_.entryReasons) {
        CallEntryPoint(*plugin, DLL_THREAD_ATTACH);
        CallEntryPoint(*plugin, DLL_THREAD_DETACH);
    }
    int pass = 1;
    for (; pass <= options_.passes; ++pass) {
        PlayAndReport(pass);
    }
    if (options_.freeLibrary) {
        FreeLibrary(plugin->module);
        fmt::print("after FreeLibrary: the plug-in is {}\n",
                   IsMapped(*plugin) ? "still mapped" : "gone");
        PlayAndReport(pass);
    }
    if (options_.entryReasons) {
        // Last: the plug-in's runtime tears its static objects down.
        CallEntryPoint(*plugin, DLL_PROCESS_DETACH);
    }

    const std::vector<CapturedBox>& boxes = CapturedBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        fmt::print("box {}: flags 0x{:X}, {}\n", i + 1, boxes[i].flags,
                   boxes[i].hasOwner ? "an owner window" : "no owner window");
        // As vxmod prints the box, so that the two can be compared.
        fmt::print(stderr, "[{}]\n{}\n\n", boxes[i].caption, boxes[i].text);
    }
    for (const std::string& complaint : db.Complaints()) {
        Fault("the host refused a request from the plug-in: " + complaint);
    }

    if (dump) {
        std::ofstream out(*dump, std::ios::binary | std::ios::trunc);
        out << sandbox::DumpDescription(db).dump(2) << '\n';
        out.close();
        if (!out) {
            return Unusable(fmt::format("cannot write the dump file '{}'", Utf8(*dump)));
        }
    }
    if (broken_) {
        return kExitBrokenGame;
    }
    return boxes.empty() ? 0 : kExitFailedLine;
}

}  // namespace
}  // namespace sandbox_game

int wmain(int argc, wchar_t** argv) {
    // The report and the boxes read alike on every platform: no CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    try {
        const sandbox_game::GameOptions options = sandbox_game::ParseGameOptions(arguments);
        if (options.help) {
            fmt::print("{}", sandbox_game::GameHelpText());
            return 0;
        }
        const int status = sandbox_game::Game(options).Play();
        std::fflush(stdout);
        return status;
    } catch (const sandbox_game::UsageError& error) {
        fmt::print(stderr, "sandbox-game: {}\nTry 'sandbox-game --help' for more.\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        fmt::print(stderr, "sandbox-game: {}\n", error.what());
        return 2;
    }
}

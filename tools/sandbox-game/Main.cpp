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

#include "GameImage.h"
#include "GameOptions.h"
#include "PluginModule.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/ExampleDatabase.h"

namespace sandbox_game {
namespace {

namespace fs = std::filesystem;
namespace sandbox = rakor::Sandbox;

constexpr int kExitFailedLine = 1;
constexpr int kExitUnusable = 2;
constexpr int kExitBrokenGame = 3;
constexpr int kExitCrashed = 4;
constexpr const char* kPluginFileName = "VexaAttribLoader.Tormelin.asi";

std::string Hex(const std::vector<uint8_t>& bytes) {
    return fmt::format("{:02X}", fmt::join(bytes, " "));
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// Like a game's crash handler: the last stop of a fault nobody handled.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    fmt::print("the game crashed: exception 0x{:08X} at 0x{:08X}\n",
               info->ExceptionRecord->ExceptionCode,
               reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress));
    std::fflush(stdout);
    ExitProcess(kExitCrashed);
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
    bool LoadModules(const std::vector<fs::path>& modules, const char* when);
    // Makes `folder` the one the game runs in.
    bool Enter(const fs::path& folder) {
        std::error_code error;
        fs::current_path(folder, error);
        if (error) {
            Unusable(
                fmt::format("cannot enter the folder '{}': {}", Utf8(folder), error.message()));
        }
        return !error;
    }

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

// The registers that differ from what they should be, as "ESI 12345678 (not 05151515)".
std::string Differences(const Registers& seen, const Registers& expected, bool withEcxEdx) {
    const std::pair<const char*, uint32_t Registers::*> words[] = {
        {"EAX", &Registers::eax}, {"EBX", &Registers::ebx}, {"ECX", &Registers::ecx},
        {"EDX", &Registers::edx}, {"ESI", &Registers::esi}, {"EDI", &Registers::edi},
        {"EBP", &Registers::ebp}};
    std::vector<std::string> differences;
    for (const auto& [name, word] : words) {
        const bool promised = withEcxEdx || (word != &Registers::ecx && word != &Registers::edx);
        if (promised && seen.*word != expected.*word) {
            differences.push_back(
                fmt::format("{} {:08X} (not {:08X})", name, seen.*word, expected.*word));
        }
    }
    return fmt::format("{}", fmt::join(differences, ", "));
}

// A frame on a thread of its own whose stack holds `stackBytes`: a game may
// reach the patched call on such a thread. Wine gives every thread a stack
// of at least 1 MB, whatever it asks for, so the thread first takes all but
// `stackBytes` of it for itself; the plug-in is left what such a game thread
// leaves it, on Windows as under Wine.
struct SmallStackFrame {
    std::size_t stackBytes;
    FrameRecord frame;
};

DWORD WINAPI PlaySmallStackFrame(void* job) {
    auto& small = *static_cast<SmallStackFrame*>(job);
    MEMORY_BASIC_INFORMATION stack{};
    VirtualQuery(&stack, &stack, sizeof stack);
    const auto left =
        reinterpret_cast<uintptr_t>(&stack) - reinterpret_cast<uintptr_t>(stack.AllocationBase);
    volatile char* taken =
        static_cast<char*>(__builtin_alloca(left > small.stackBytes ? left - small.stackBytes : 0));
    taken[0] = 0;
    small.frame = PlayFrame();
    return 0;
}

FrameRecord PlayFrameOnThread(std::size_t stackBytes) {
    SmallStackFrame job{stackBytes, {}};
    const HANDLE thread = CreateThread(nullptr, stackBytes, &PlaySmallStackFrame, &job,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    return job.frame;
}

void Game::PlayAndReport(int pass) {
    const FrameRecord frame =
        options_.passStackKilobytes > 0
            ? PlayFrameOnThread(static_cast<std::size_t>(options_.passStackKilobytes) * 1024)
            : PlayFrame();
    if (frame.routineRuns.size() != 1) {
        Fault(fmt::format("pass {}: the replaced routine ran {} times", pass,
                          frame.routineRuns.size()));
    }
    std::string routine =
        fmt::format("the replaced routine ran {} times", frame.routineRuns.size());
    uint32_t callsAfter = frame.hostCalls;
    if (frame.routineRuns.size() == 1) {
        // Entered as the game's own call would have entered it.
        const FrameRecord::RoutineRun& run = frame.routineRuns[0];
        if (run.hostCallsBefore != 0) {
            Fault(fmt::format("pass {}: the replaced routine ran after {} database calls", pass,
                              run.hostCallsBefore));
        }
        if (const std::string wrong = Differences(run.registers, kGameRegisters, true);
            !wrong.empty()) {
            Fault(fmt::format("pass {}: the replaced routine was entered with {}", pass, wrong));
        }
        if (run.stack != frame.stackBefore - 4 || run.wordAbove != kStackMarker) {
            Fault(fmt::format(
                "pass {}: the replaced routine was entered with ESP {} bytes from "
                "the game's call and {:08X} above its return address",
                pass, static_cast<int32_t>(run.stack - (frame.stackBefore - 4)), run.wordAbove));
        }
        if ((run.flags & kDirectionFlag) != (frame.flagsBefore & kDirectionFlag)) {
            Fault(
                fmt::format("pass {}: the replaced routine was entered with another direction "
                            "flag",
                            pass));
        }
        routine = fmt::format("the replaced routine ran {}, with this-object 0x{:08X}",
                              run.hostCallsBefore == 0
                                  ? std::string("first")
                                  : fmt::format("after {} database calls", run.hostCallsBefore),
                              run.registers.ecx);
        callsAfter -= run.hostCallsBefore;
    }
    // What the game's code after the call relies on.
    Registers expected = kGameRegisters;
    expected.eax = kRoutineResult;
    const std::string wrong = Differences(frame.registersAfter, expected, false);
    const bool kept = wrong.empty() && frame.stackAfter == frame.stackBefore &&
                      (frame.flagsAfter & kDirectionFlag) == (frame.flagsBefore & kDirectionFlag);
    if (!kept) {
        Fault(fmt::format("pass {}: after the call {}{}ESP moved by {}, direction flag {}", pass,
                          wrong, wrong.empty() ? "" : ", ",
                          static_cast<int32_t>(frame.stackAfter - frame.stackBefore),
                          (frame.flagsAfter & kDirectionFlag) != 0 ? "set" : "clear"));
    }
    fmt::print("pass {}: {}, then {} database calls; EAX EBX ESI EDI EBP ESP DF {}\n", pass,
               routine, callsAfter, kept ? "kept" : "CHANGED");
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

// Other mods' DLLs, loaded as a plug-in loader loads them: by name order,
// some before the plug-in and some after.
bool Game::LoadModules(const std::vector<fs::path>& modules, const char* when) {
    for (const fs::path& module : modules) {
        const fs::path file = fs::absolute(module);
        if (LoadLibraryW(file.c_str()) == nullptr) {
            Unusable(fmt::format("cannot load '{}': Windows error {}", Utf8(file), GetLastError()));
            return false;
        }
        fmt::print("{} loaded {} the plug-in\n", Utf8(file.filename()), when);
    }
    return true;
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
                         options_.popping, options_.removedCode, error)) {
        return Unusable(error);
    }
    if (options_.classFault != ClassFault::None) {
        InjectClassFault(options_.faultClass, options_.classFault);
    }
    SetUnhandledExceptionFilter(&ReportCrash);

    sandbox::Database db;
    try {
        sandbox::LoadDescription(
            db, database ? sandbox::ReadDescriptionFile(*database)
                         : nlohmann::ordered_json::parse(rakor::Sandbox::kExampleDatabaseJson));
    } catch (const std::exception& failure) {
        return Unusable(fmt::format("cannot use {}: {}",
                                    database ? "'" + Utf8(*database) + "'" : "the built-in example",
                                    failure.what()));
    }
    SetDatabaseInstance(sandbox::Database::Current());

    const fs::path workingFolder = options_.runIn ? fs::absolute(*options_.runIn) : gameFolder;
    if (!Enter(workingFolder)) {
        return kExitUnusable;
    }

    const GameCode original;
    fmt::print("0x{:X} before: {}\n", address::kModsCallSite, Hex(original.call));
    fmt::print("0x{:X} before: {}\n", address::kRemovedCodeSite, Hex(original.removed));

    std::vector<HANDLE> held;
    for (const fs::path& file : options_.held) {
        // As another program that opened the file and shares it with nobody.
        const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        fmt::print("the game holds {} open without sharing: {}\n", Utf8(file),
                   handle != INVALID_HANDLE_VALUE ? "yes" : "could not open it");
        held.push_back(handle);
    }
    if (!LoadModules(options_.loadBefore, "before")) {
        return kExitUnusable;
    }
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
    if (!LoadModules(options_.loadAfter, "after")) {
        return kExitUnusable;
    }

    if (options_.ownFolderBeforePass) {
        if (!Enter(gameFolder)) {
            return kExitUnusable;
        }
        fmt::print("the game runs in its own folder now\n");
    }
    if (options_.entryReasons) {
        CallEntryPoint(*plugin, DLL_THREAD_ATTACH);
        CallEntryPoint(*plugin, DLL_THREAD_DETACH);
    }
    int pass = 1;
    for (; pass <= options_.passes; ++pass) {
        SetDatabaseInstance(pass <= options_.nullDatabasePasses ? nullptr
                                                                : sandbox::Database::Current());
        PlayAndReport(pass);
        if (pass == 1 && options_.secondCopy) {
            const fs::path copy = fs::absolute(*options_.secondCopy);
            const std::optional<Plugin> second = LoadPlugin(copy, false, error);
            if (!second || !CaptureWarningBoxes(*second, error)) {
                return Unusable(
                    fmt::format("cannot load the second copy '{}': {}", Utf8(copy), error));
            }
            fmt::print("second copy {} loaded at 0x{:08X}\n", Utf8(copy.filename()), second->base);
            ReportCall(GameCode(), *plugin);
        }
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
    for (const HANDLE handle : held) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
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

#include "loader/CodePatches.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <spdlog/logger.h>

#include "host/GameAddresses.h"
#include "host/HostApi.h"
#include "loader/ApplyModsHook.h"
#include "loader/ModLoader.h"
#include "loader/Version.h"

namespace rakor {
namespace {

// The call that runs once the game has built its attribute database, to the
// routine the host seam names (Host::ReplacedRoutineAddress()); the loader
// takes the call over.
using Host::GameAddress::kModsCallSite;
// Six bytes of the game's code that give way to no-operations.
using Host::GameAddress::kRemovedCodeSite;

constexpr std::size_t kCallLength = 5;
constexpr const char* kRunsUnmodified =
    "Nothing was patched: the game runs unmodified and no mod script runs.";

using CallBytes = std::array<uint8_t, kCallLength>;
using Host::GameAddress::kRemovedCode;
using RemovedBytes = std::array<uint8_t, kRemovedCode.size()>;
constexpr RemovedBytes kNops{0x90, 0x90, 0x90, 0x90, 0x90, 0x90};

// 0xE8 and the distance from the end of the call to the target, little-endian.
CallBytes RelativeCall(uintptr_t at, uintptr_t target) {
    const uint32_t distance = static_cast<uint32_t>(target - (at + kCallLength));
    return {0xE8, static_cast<uint8_t>(distance), static_cast<uint8_t>(distance >> 8),
            static_cast<uint8_t>(distance >> 16), static_cast<uint8_t>(distance >> 24)};
}

// Whether `size` bytes at `at` are memory that can be read: another program
// may have nothing mapped there at all.
bool Readable(uintptr_t at, std::size_t size) {
    for (uintptr_t next = at; next < at + size;) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(reinterpret_cast<const void*>(next), &region, sizeof region) == 0 ||
            region.State != MEM_COMMIT || (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) {
            return false;
        }
        next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

// The bytes at `at`, when that memory can be read.
template <std::size_t N>
std::optional<std::array<uint8_t, N>> GameBytes(uintptr_t at) {
    if (!Readable(at, N)) {
        return std::nullopt;
    }
    std::array<uint8_t, N> bytes{};
    std::memcpy(bytes.data(), reinterpret_cast<const void*>(at), N);
    return bytes;
}

// Game code is not writable: it is made so for the write only, its protection
// restored after it, and the processor told that the code changed.
bool WriteCode(void* at, std::span<const uint8_t> bytes) {
    const auto address = reinterpret_cast<uintptr_t>(at);
    DWORD previous = 0;
    if (!VirtualProtect(at, bytes.size(), PAGE_EXECUTE_READWRITE, &previous)) {
        LibraryLog().error("Could not make the game's code at 0x{:X} writable (Windows error {})",
                           address, GetLastError());
        return false;
    }
    std::memcpy(at, bytes.data(), bytes.size());
    DWORD unused = 0;
    if (!VirtualProtect(at, bytes.size(), previous, &unused)) {
        LibraryLog().warn(
            "Could not restore the protection of the game's code at 0x{:X} (Windows error {}); "
            "it stays writable",
            address, GetLastError());
    }
    FlushInstructionCache(GetCurrentProcess(), at, bytes.size());
    return true;
}

// Once patched, the game's code calls into the library, so the library stays
// mapped until the process ends, whatever FreeLibrary calls follow.
bool PinLibrary() {
    HMODULE self = nullptr;
    return GetModuleHandleExW(
               GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
               reinterpret_cast<LPCWSTR>(&ApplyModsHook), &self) != 0;
}

// The one line a game start writes about the patches: in place, or why not.
// It names the loader's version, so that a modder who shares the log shares
// the version with it. Flushed at once: the game may crash before a pass.
void LogOutcome(spdlog::level::level_enum level, std::string_view message) {
    spdlog::logger& log = LibraryLog();
    log.log(level, "{} {}: {}", kProductName, kProductVersion, message);
    log.flush();
}

template <typename... Args>
bool NotPatched(fmt::format_string<Args...> why, Args&&... args) {
    LogOutcome(spdlog::level::err, fmt::format(why, std::forward<Args>(args)...));
    return false;
}

}  // namespace

bool WriteCall(void* at, const void* target) noexcept {
    return WriteCode(
        at, RelativeCall(reinterpret_cast<uintptr_t>(at), reinterpret_cast<uintptr_t>(target)));
}

bool WriteNops6(void* at) noexcept {
    return WriteCode(at, kNops);
}

bool InstallPatches() noexcept {
    if (!IsFirstCopyInGame()) {
        // The first copy has taken the call over already; its log goes on.
        return NotPatched(
            "Another copy of this loader is already loaded in the game; this copy changes "
            "nothing. Install one copy only.");
    }
    // Nothing of the game runs before this check: in another version of the
    // game, the addresses the library calls may hold anything.
    const uintptr_t routine = Host::ReplacedRoutineAddress();
    const CallBytes expected = RelativeCall(kModsCallSite, routine);
    const std::optional<CallBytes> call = GameBytes<kCallLength>(kModsCallSite);
    if (!call) {
        return NotPatched(
            "The game's code at 0x{:X} cannot be read, where this loader expects the call {:02X}: "
            "a game version it does not support. {}",
            kModsCallSite, fmt::join(expected, " "), kRunsUnmodified);
    }
    if (*call != expected) {
        return NotPatched(
            "The game's code at 0x{:X} is {:02X}, not the call {:02X} that this loader takes "
            "over: a game version it does not support, or a call already patched (by a second "
            "copy of this loader or by another mod). {}",
            kModsCallSite, fmt::join(*call, " "), fmt::join(expected, " "), kRunsUnmodified);
    }
    // Every byte the loader changes is checked before the first is written:
    // no-operations over another mod's jump would break that mod silently.
    // No-operations already there are what this loader would write.
    const std::optional<RemovedBytes> removed = GameBytes<kRemovedCode.size()>(kRemovedCodeSite);
    if (!removed) {
        return NotPatched(
            "The game's code at 0x{:X} cannot be read, where this loader expects {:02X}: a game "
            "version it does not support. {}",
            kRemovedCodeSite, fmt::join(kRemovedCode, " "), kRunsUnmodified);
    }
    if (*removed != kRemovedCode && *removed != kNops) {
        return NotPatched(
            "The game's code at 0x{:X} is {:02X}, not {:02X}, which this loader replaces with "
            "no-operations (or those no-operations, {:02X}): code another mod has changed, or a "
            "game version it does not support. {}",
            kRemovedCodeSite, fmt::join(*removed, " "), fmt::join(kRemovedCode, " "),
            fmt::join(kNops, " "), kRunsUnmodified);
    }
    if (!PinLibrary()) {
        return NotPatched("Could not keep the loader loaded (Windows error {}). {}", GetLastError(),
                          kRunsUnmodified);
    }
    SetHookedRoutine(routine);
    if (!WriteCall(reinterpret_cast<void*>(kModsCallSite),
                   reinterpret_cast<const void*>(&ApplyModsHook))) {
        return NotPatched("{}", kRunsUnmodified);
    }
    if (*removed != kNops && !WriteNops6(reinterpret_cast<void*>(kRemovedCodeSite))) {
        return NotPatched(
            "The six bytes at 0x{:X} stay as they were; the mod scripts run all the same.",
            kRemovedCodeSite);
    }
    // Where the scripts are looked for and where this log is, in full: a game
    // started from a launcher's folder finds neither beside its .exe.
    LogOutcome(spdlog::level::info,
               fmt::format("The game's code is patched; the mod scripts below {} run each time the "
                           "game has built its attribute database. This log is {}.",
                           ScriptFolderNamed(), LibraryLogPath()));
    return true;
}

}  // namespace rakor

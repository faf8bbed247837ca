#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/GameAddresses.h"

// The stand-in game's code and data at the fixed addresses where the plug-in
// expects the game's: jumps to the sandbox host's database operations, the
// database instance word, the routine that the patched call reaches, real
// machine code around that call, and the six bytes the plug-in removes.
namespace sandbox_game {

// The game's addresses, as the game itself lays them out: those the loader
// uses, and the game object the patched call is made for.
namespace address {
using namespace rakor::Host::GameAddress;
inline constexpr uintptr_t kGameObject = 0x90D000;
}  // namespace address

// The game's code pages.
inline constexpr uintptr_t kGameCodeStart = 0x450000;
inline constexpr uintptr_t kGameCodeEnd = 0x667000;

inline constexpr std::size_t kCallLength = 5;
inline constexpr std::size_t kRemovedCodeLength = 6;

// The game's code around the patched call loads these into the registers
// that every x86 convention makes callee-saved, and looks at them after the
// call.
struct Registers {
    uint32_t ebx;
    uint32_t esi;
    uint32_t edi;
    uint32_t ebp;
    friend bool operator==(const Registers&, const Registers&) = default;
};
inline constexpr Registers kFrameRegisters{0x0B0B0B0B, 0x05151515, 0x0D1D1D1D, 0x0E0E0E0E};

// What one run of the game's code around the patched call saw.
struct FrameRecord {
    struct RoutineRun {
        uintptr_t self;            // ECX when the replaced routine was entered
        uint32_t hostCallsBefore;  // database operations called earlier in the frame
    };
    std::vector<RoutineRun> routineRuns;
    uint32_t hostCalls = 0;  // database operations called in the whole frame
    Registers registersAfter{};
    uint32_t stackBefore = 0;  // ESP just before the call
    uint32_t stackAfter = 0;   // and just after it
};

// The game's version: the supported one calls the routine at 0x664780 from
// 0x6660C0; the other has that routine 16 bytes further on, so the five bytes
// at 0x6660C0 differ.
enum class GameVersion { Supported, Other };

// Puts the game's code and data in place and makes the code pages
// execute-read, as a loaded program's are. False, with the reason, when the
// image section does not hold the game's address range.
bool LayOutGameImage(GameVersion version, std::string& error);

// Where the game keeps its attribute database.
void SetDatabaseInstance(void* database);

// Calls of the game's database operations so far (from anywhere).
uint32_t HostCalls();

// Runs the game's code around the patched call once.
FrameRecord PlayFrame();

std::vector<uint8_t> ReadGameBytes(uintptr_t at, std::size_t count);

}  // namespace sandbox_game

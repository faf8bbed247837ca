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

// The registers as the game's code sets them before the patched call (ECX
// holds the game object, the routine's this-object), and as it finds them
// after the call (EAX the routine's result, ECX and EDX whatever the
// routine left there).
struct Registers {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
    uint32_t esi;
    uint32_t edi;
    uint32_t ebp;
    friend bool operator==(const Registers&, const Registers&) = default;
};
inline constexpr Registers kGameRegisters{
    0x0A0A0A0A, 0x0B0B0B0B, address::kGameObject, 0x0D0D0D0D, 0x05151515, 0x0D1D1D1D, 0x0E0E0E0E};
// The word the game's code keeps on its stack right above the call's return
// address: the routine must find it there.
inline constexpr uint32_t kStackMarker = 0x57AC3D00;
// What the replaced routine returns in EAX.
inline constexpr uint32_t kRoutineResult = 0x600DF00D;
inline constexpr uint32_t kDirectionFlag = 0x400;

// What one run of the game's code around the patched call saw.
struct FrameRecord {
    struct RoutineRun {
        uint32_t hostCallsBefore;  // database operations called earlier in the frame
        Registers registers;       // at the routine's entry
        uint32_t stack;            // ESP at its entry
        uint32_t wordAbove;        // the word above its return address
        uint32_t flags;            // EFLAGS at its entry
    };
    std::vector<RoutineRun> routineRuns;
    uint32_t hostCalls = 0;    // database operations called in the whole frame
    uint32_t stackBefore = 0;  // ESP just before the call
    uint32_t flagsBefore = 0;
    Registers registersAfter{};  // just after it
    uint32_t stackAfter = 0;
    uint32_t flagsAfter = 0;
};

// The game's version: the supported one calls the routine at 0x664780 from
// 0x6660C0; the other has that routine 16 bytes further on, so the five bytes
// at 0x6660C0 differ.
enum class GameVersion { Supported, Other };

// How the game's two operations without a this-object return: leaving their
// arguments to the caller (cdecl) or popping them (stdcall).
enum class ArgumentPopping { Caller, Callee };

// A fault the game's database plays for one class, so that the plug-in meets
// it in a script line.
enum class ClassFault {
    None,
    BadPointer,  // GetClass returns 0x10: the plug-in faults reading it
    GuardPage,   // GetClass returns a guard page: the plug-in's first read faults
    InGameCode,  // GetClass itself faults, inside the game's code
};

// What the six bytes at 0x50264A hold when the plug-in loads: the game's
// own conditional jump, another mod's jump to its own code, or the six
// no-operations an earlier load of the plug-in wrote.
enum class RemovedCode { Game, OtherModsJump, NoOperations };

// Puts the game's code and data in place and makes the code pages
// execute-read, as a loaded program's are. False, with the reason, when the
// image section does not hold the game's address range.
bool LayOutGameImage(GameVersion version, ArgumentPopping popping, RemovedCode removed,
                     std::string& error);

// From now on, GetClass plays `fault` for the class named `name`.
void InjectClassFault(const std::string& name, ClassFault fault);

// Where the game keeps its attribute database.
void SetDatabaseInstance(void* database);

// Calls of the game's database operations so far (from anywhere).
uint32_t HostCalls();

// Runs the game's code around the patched call once.
FrameRecord PlayFrame();

std::vector<uint8_t> ReadGameBytes(uintptr_t at, std::size_t count);

}  // namespace sandbox_game

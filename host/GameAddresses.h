#pragma once

#include <array>
#include <cstdint>

// The game's fixed addresses, for the one game version the loader supports:
// the host's database operations and instance word, the routine whose call
// the loader takes over, and the two places of the game's code it patches.
namespace rakor::Host::GameAddress {

inline constexpr uintptr_t kGetArrayElement = 0x453890;
inline constexpr uintptr_t kGetClass = 0x455BC0;
inline constexpr uintptr_t kGetCollection = 0x455FD0;
inline constexpr uintptr_t kGetFieldDefinition = 0x457380;
inline constexpr uintptr_t kConstructCollection = 0x458C10;
inline constexpr uintptr_t kRemovedCodeSite = 0x50264A;
inline constexpr uintptr_t kHashString32 = 0x5CC240;
inline constexpr uintptr_t kReplacedRoutine = 0x664780;
inline constexpr uintptr_t kModsCallSite = 0x6660C0;
inline constexpr uintptr_t kDatabaseInstanceWord = 0x90DCBC;

// What the game holds at kRemovedCodeSite: a six-byte conditional jump
// (jnz +0x11D), which the loader turns into no-operations.
inline constexpr std::array<uint8_t, 6> kRemovedCode{0x0F, 0x85, 0x1D, 0x01, 0x00, 0x00};

}  // namespace rakor::Host::GameAddress

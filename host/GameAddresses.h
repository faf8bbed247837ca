#pragma once

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

}  // namespace rakor::Host::GameAddress

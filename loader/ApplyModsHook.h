#pragma once

#include <cstdint>

namespace rakor {

// What the game's patched call at 0x6660C0 reaches instead of the routine at
// 0x664780: runs that routine for the game, exactly as the game's call would
// have, then every mod script. Machine code with the game's conventions (see
// ApplyModsHook.cpp); never called from C++.
#if defined(_MSC_VER) && !defined(__clang__)
extern "C" void ApplyModsHook();
#else
extern "C" void ApplyModsHook() asm("ApplyModsHook");
#endif

// Where ApplyModsHook sends the game's call on: the routine the patch
// replaced. Set before the call is patched.
void SetHookedRoutine(uintptr_t routine);

}  // namespace rakor

#pragma once

#include "host/HostCall.h"

// thiscall on a free function: see host/HostCall.h.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace rakor {

// What the game's patched call at 0x6660C0 reaches instead of the routine at
// 0x664780: runs that routine for the game, then every mod script. Entered
// with the game's conventions for that call (see ApplyModsHook.cpp).
void HOST_THISCALL HOST_REALIGN_STACK ApplyModsHook(void* self HOST_EDX) noexcept;

}  // namespace rakor

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

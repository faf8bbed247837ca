#pragma once

#include <cstdint>

namespace rakor::Host {

// Calls a host function that takes no this-object and two 32-bit words, and
// returns its EAX. Nothing says whether the host's functions of this kind pop
// their own arguments (stdcall) or leave them to the caller (cdecl): this
// call keeps the stack right either way, because it puts the stack pointer
// back from a register the function must preserve instead of trusting it to
// pop a known amount. A function of one word is called with a second, unused
// word: it sits where either convention ignores it.
uint32_t CallEitherConvention(uintptr_t function, uint32_t first, uint32_t second) noexcept;

}  // namespace rakor::Host

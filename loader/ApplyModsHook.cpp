#include "loader/ApplyModsHook.h"

#include <exception>

#include <spdlog/logger.h>

#include "loader/ModLoader.h"
#include "loader/ScriptRunner.h"

// The game's code was compiled against the routine at 0x664780, not against
// the loader, so the hook is transparent: the routine is entered with every
// register the game set and the stack as the game's `call` left it (only the
// return address differs), and the game's code after the call sees the
// routine's EAX, ECX and EDX, and its own EBX, ESI, EDI, EBP, ESP and flags
// (the direction flag among them).

// The machine code's names for the C++ objects it uses (MSVC's inline
// assembly names them directly).
#if defined(_MSC_VER) && !defined(__clang__)
#define HOOK_SYMBOL(name)
#else
#define HOOK_SYMBOL(name) asm(name)
#endif

extern "C" {
// The routine, read by the machine code below.
uintptr_t gHookedRoutine HOOK_SYMBOL("vexa_hooked_routine") = 0;
// The game's return address while the routine runs. One slot is enough: the
// game's call at 0x6660C0 does not recur while the routine runs.
uintptr_t gGameReturnAddress HOOK_SYMBOL("vexa_game_return_address") = 0;
// cdecl, entered with a 16-byte aligned stack and a clear direction flag.
void RunModScriptsFromHook() noexcept HOOK_SYMBOL("vexa_run_mod_scripts");
}

#if defined(_MSC_VER) && !defined(__clang__)

// The same instructions as the GCC version below, in MSVC's syntax.
extern "C" __declspec(naked) void ApplyModsHook() {
    __asm {
        pop  dword ptr [gGameReturnAddress]
        call dword ptr [gHookedRoutine]
        push dword ptr [gGameReturnAddress]
        pushfd
        pushad
        mov  ebp, esp
        and  esp, -16
        cld
        call RunModScriptsFromHook
        mov  esp, ebp
        popad
        popfd
        ret
    }
}

#else

asm(R"(
    .text
    .globl ApplyModsHook
ApplyModsHook:
    popl  vexa_game_return_address  # the game's return address aside: the stack is
                                    #   now exactly as before the game's call
    call  *vexa_hooked_routine      # the routine, with all the game's registers; it
                                    #   sees the game's stack above its return address
    pushl vexa_game_return_address  # the game's return address back in its place
    pushfl                          # the game's flags
    pushal                          # the routine's EAX, ECX, EDX; the game's EBX, ESP,
                                    #   EBP, ESI, EDI (kept by the routine)
    movl  %esp, %ebp                # EBP is kept by the compiled code: it holds ESP
    andl  $-16, %esp                # the compiled code expects 16-byte alignment
    cld                             #   and a clear direction flag
    call  vexa_run_mod_scripts
    movl  %ebp, %esp
    popal                           # every register as the routine left it
    popfl                           # the game's flags
    ret                             # to the game
)");

#endif

namespace rakor {

void SetHookedRoutine(uintptr_t routine) {
    gHookedRoutine = routine;
}

}  // namespace rakor

void RunModScriptsFromHook() noexcept {
    // Nothing may unwind into the game's code, which knows nothing of C++.
    try {
        rakor::LoadScriptDirectory(rakor::kScriptDirectory);
    } catch (const std::exception& error) {
        rakor::LibraryLog().error("Could not run the mod scripts: {}", error.what());
    } catch (...) {
        rakor::LibraryLog().error("Could not run the mod scripts: unknown error");
    }
}

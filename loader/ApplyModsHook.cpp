#include "loader/ApplyModsHook.h"

#include <exception>

#include <spdlog/logger.h>

#include "host/HostApi.h"
#include "loader/ModLoader.h"
#include "loader/ScriptRunner.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace rakor {

// The game reaches this function through its own `call` instruction, with
// the register state of a call of a member function of the game:
//
//   ECX   the game's this-object for the routine at 0x664780. The thiscall
//         declaration receives it as `self` and passes it on in ECX, so the
//         routine runs exactly as it did before the patch.
//   stack the return address and nothing else: no arguments, so the hook
//         returns with a plain `ret` (thiscall pops only stack arguments).
//   EBX, ESI, EDI, EBP, ESP
//         the game's code after the call goes on with them. Every x86
//         convention makes them callee-saved, so the compiled code keeps
//         them; EAX, ECX and EDX may change, as across any call.
//   alignment
//         the game keeps its stack 4-byte aligned; HOST_REALIGN_STACK
//         realigns it for the compiled code (which keeps the incoming stack
//         pointer in EDI, saved and restored, since ECX carries `self`).
void HOST_THISCALL HOST_REALIGN_STACK ApplyModsHook(void* self HOST_EDX) noexcept {
    // First what the call did before the patch, with the game's own object.
    Host::CallReplacedRoutine(self);
    // Nothing may unwind into the game's code, which knows nothing of C++.
    try {
        LoadScriptDirectory(kScriptDirectory);
    } catch (const std::exception& error) {
        LibraryLog().error("Could not run the mod scripts: {}", error.what());
    } catch (...) {
        LibraryLog().error("Could not run the mod scripts: unknown error");
    }
}

}  // namespace rakor

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The loader's entry point, called by Windows when the game loads the
// library (and for every thread start and end, and when it is unloaded).
#include <windows.h>

#include "host/HostCall.h"
#include "loader/CodePatches.h"

// It runs under the system's loader lock: it only patches the game's code (no
// threads, no waiting) and leaves everything else to the game's first pass
// through the patched call. The library's static objects are built by then;
// none of them calls the game.
extern "C" BOOL WINAPI HOST_REALIGN_STACK DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        rakor::InstallPatches();
    }
    // TRUE even when nothing was patched: the game runs on, unmodified.
    return TRUE;
}

#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The plug-in as the stand-in game sees it: a DLL it loads as a plug-in
// loader would, knowing nothing of what is inside.
namespace sandbox_game {

struct Plugin {
    HMODULE module = nullptr;
    uintptr_t base = 0;
    uintptr_t end = 0;
    uintptr_t preferredBase = 0;
};

// Loads the plug-in with LoadLibrary. With `occupyPreferredBase`, the game
// first reserves the address range the DLL asks for, so that Windows must
// place it elsewhere. Empty, with the reason, when it cannot be loaded.
std::optional<Plugin> LoadPlugin(const std::filesystem::path& file, bool occupyPreferredBase,
                                 std::string& error);

// What the plug-in's warning box would have shown.
struct CapturedBox {
    bool hasOwner = false;
    std::string caption;  // UTF-8
    std::string text;     // UTF-8
    unsigned flags = 0;
};

// Replaces the plug-in's import of the wide message box with one that keeps
// what it was asked to show and returns at once as if OK was pressed, so no
// window blocks the game. False, with the reason, when the plug-in does not
// import it.
bool CaptureWarningBoxes(const Plugin& plugin, std::string& error);
const std::vector<CapturedBox>& CapturedBoxes();

// Calls the plug-in's entry point itself, as Windows does.
BOOL CallEntryPoint(const Plugin& plugin, DWORD reason);

// Whether the plug-in's code is still mapped at its address.
bool IsMapped(const Plugin& plugin);

}  // namespace sandbox_game

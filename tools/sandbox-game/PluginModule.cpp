#include "PluginModule.h"

#include <cstring>
#include <fstream>

namespace sandbox_game {
namespace {

std::vector<CapturedBox> gBoxes;

std::string Utf8(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminating NUL
    return utf8;
}

// Has the signature of MessageBoxW.
int WINAPI CaptureMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags) {
    gBoxes.push_back({owner != nullptr, Utf8(caption), Utf8(text), flags});
    return IDOK;
}

template <typename T>
T* At(uintptr_t base, uintptr_t offset) {
    return reinterpret_cast<T*>(base + offset);
}

const IMAGE_NT_HEADERS32& Headers(uintptr_t base) {
    const auto& dos = *At<const IMAGE_DOS_HEADER>(base, 0);
    return *At<const IMAGE_NT_HEADERS32>(base, static_cast<uintptr_t>(dos.e_lfanew));
}

// The headers as the file holds them, before anything is loaded.
std::optional<IMAGE_NT_HEADERS32> ReadFileHeaders(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 headers{};
    if (!in.read(reinterpret_cast<char*>(&dos), sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !in.seekg(dos.e_lfanew) || !in.read(reinterpret_cast<char*>(&headers), sizeof headers) ||
        headers.Signature != IMAGE_NT_SIGNATURE) {
        return std::nullopt;
    }
    return headers;
}

}  // namespace

std::optional<Plugin> LoadPlugin(const std::filesystem::path& file, bool occupyPreferredBase,
                                 std::string& error) {
    const std::optional<IMAGE_NT_HEADERS32> headers = ReadFileHeaders(file);
    if (!headers) {
        error = "it is not a 32-bit Windows DLL (or cannot be read)";
        return std::nullopt;
    }
    if (occupyPreferredBase) {
        // Kept for the life of the process; if something is there already,
        // the range is occupied all the same.
        VirtualAlloc(
            reinterpret_cast<void*>(static_cast<uintptr_t>(headers->OptionalHeader.ImageBase)),
            headers->OptionalHeader.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS);
    }
    const HMODULE module = LoadLibraryW(file.c_str());
    if (module == nullptr) {
        error = "LoadLibrary failed with Windows error " + std::to_string(GetLastError());
        return std::nullopt;
    }
    Plugin plugin;
    plugin.module = module;
    plugin.base = reinterpret_cast<uintptr_t>(module);
    plugin.end = plugin.base + Headers(plugin.base).OptionalHeader.SizeOfImage;
    plugin.preferredBase = headers->OptionalHeader.ImageBase;
    return plugin;
}

bool CaptureWarningBoxes(const Plugin& plugin, std::string& error) {
    const IMAGE_DATA_DIRECTORY& imports =
        Headers(plugin.base).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(plugin.base, imports.VirtualAddress);
         imports.VirtualAddress != 0 && library->Name != 0; ++library) {
        if (_stricmp(At<const char>(plugin.base, library->Name), "user32.dll") != 0) {
            continue;
        }
        // The names and the addresses Windows filled in, side by side.
        auto* name = At<IMAGE_THUNK_DATA32>(plugin.base, library->OriginalFirstThunk);
        auto* slot = At<IMAGE_THUNK_DATA32>(plugin.base, library->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL32(name->u1.Ordinal) ||
                std::strcmp(At<IMAGE_IMPORT_BY_NAME>(plugin.base, name->u1.AddressOfData)->Name,
                            "MessageBoxW") != 0) {
                continue;
            }
            DWORD previous = 0;
            if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) {
                error = "its import table cannot be written";
                return false;
            }
            slot->u1.Function = reinterpret_cast<uintptr_t>(&CaptureMessageBox);
            VirtualProtect(slot, sizeof *slot, previous, &previous);
            return true;
        }
    }
    error = "it does not import MessageBoxW from user32.dll";
    return false;
}

const std::vector<CapturedBox>& CapturedBoxes() {
    return gBoxes;
}

BOOL CallEntryPoint(const Plugin& plugin, DWORD reason) {
    using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    const auto entry = reinterpret_cast<EntryPoint>(
        plugin.base + Headers(plugin.base).OptionalHeader.AddressOfEntryPoint);
    return entry(plugin.module, reason, nullptr);
}

bool IsMapped(const Plugin& plugin) {
    MEMORY_BASIC_INFORMATION region{};
    return VirtualQuery(reinterpret_cast<const void*>(plugin.base), &region, sizeof region) != 0 &&
           region.State == MEM_COMMIT && region.Type == MEM_IMAGE;
}

}  // namespace sandbox_game

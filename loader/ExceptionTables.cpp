// The DLL's C++ exceptions must work whatever other modules the game has
// loaded. MinGW's 32-bit C++ unwinds with DWARF tables, and the C runtime's
// start-up code of a DLL (crtbegin) registers the DLL's table (its .eh_frame
// section) with the shared libgcc, libgcc_s_dw2-1.dll, whenever another
// module has already brought that into the process; only otherwise with the
// unwinder linked into the DLL. This DLL links libgcc statically, and its
// `throw` always unwinds with its own copy, which then knows none of the
// DLL's frames and ends the process at the first failed script line. So,
// right after crtbegin's registration and before anything of the library can
// throw, the DLL asks its own unwinder whether it knows the DLL's code and, if
// not, registers the table with it too.
#include <windows.h>

#include <cstdint>

extern "C" {
// libgcc's unwinder, the copy linked into this DLL.
struct dwarf_eh_bases {
    void* tbase;
    void* dbase;
    void* func;
};
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
void __register_frame_info(const void* begin, void* object);
// The DLL's own headers, as the linker places them.
extern IMAGE_DOS_HEADER __ImageBase;
}

namespace rakor {
namespace {

// Where crtbegin looks for the shared libgcc.
constexpr const char* kSharedLibgcc = "libgcc_s_dw2-1.dll";

// libgcc's `struct object`, opaque here (24 bytes on i686). The registration
// lives in the DLL's own unwinder, which goes when the DLL goes: it is never
// taken back.
alignas(8) unsigned char gUnwindObject[64];

// The start of the mapped section that holds `address`.
const void* SectionStart(uintptr_t address) {
    const auto base = reinterpret_cast<uintptr_t>(&__ImageBase);
    const auto& headers = *reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + __ImageBase.e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&headers);
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i, ++section) {
        const uintptr_t start = base + section->VirtualAddress;
        if (address >= start && address < start + section->Misc.VirtualSize) {
            return reinterpret_cast<const void*>(start);
        }
    }
    return nullptr;
}

// Any function of the DLL serves to ask whether its table is known.
void* CodeOfThisDll() {
    return reinterpret_cast<void*>(&SectionStart);
}

// Priority 101, the first a program may use: after crtbegin's registration,
// before the library's own static objects (the log among them).
__attribute__((constructor(101))) void RegisterWithOwnUnwinder() {
    dwarf_eh_bases bases{};
    if (_Unwind_Find_FDE(CodeOfThisDll(), &bases) != nullptr) {
        return;  // crtbegin registered the table here: nothing to mend
    }
    // The shared libgcc got the table: it finds an entry of it, and the
    // section that holds the entry is the table. (Its name is no help: the
    // image keeps names longer than eight characters only in the file.)
    const HMODULE shared = GetModuleHandleA(kSharedLibgcc);
    const auto findInShared =
        shared == nullptr ? nullptr
                          : reinterpret_cast<decltype(&_Unwind_Find_FDE)>(reinterpret_cast<void*>(
                                GetProcAddress(shared, "_Unwind_Find_FDE")));
    const void* entry = findInShared == nullptr ? nullptr : findInShared(CodeOfThisDll(), &bases);
    if (entry == nullptr) {
        return;  // nobody knows the table; a throw would end the process either way
    }
    if (const void* table = SectionStart(reinterpret_cast<uintptr_t>(entry))) {
        __register_frame_info(table, gUnwindObject);
    }
}

}  // namespace
}  // namespace rakor

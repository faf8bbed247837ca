#include "GameImage.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <initializer_list>

#include "sandbox/HostOperations.h"

// The game's address range, as one uninitialised section of this program
// (see CMakeLists.txt: the program is linked at a low base so that the
// section lies below 0x450000 and reaches past 0x90E000). Defined in assembly
// because only there can a named section be marked as holding no file data.
asm(".section .game,\"bw\"\n"
    ".globl game_image\n"
    "game_image:\n"
    ".space 0x900000\n"
    ".text\n");
extern "C" unsigned char gGameImage[0x900000] asm("game_image");

// thiscall on free functions: see sandbox/HostOperations.h.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

namespace sandbox_game {
namespace {

namespace ops = rakor::Sandbox::Ops;

constexpr uintptr_t kDataEnd = 0x90E000;
// The routine of the other game version (GameVersion::Other).
constexpr uintptr_t kOtherVersionRoutine = address::kReplacedRoutine + 0x10;
// The routine's own code, reached from either version's address by a jump.
constexpr uintptr_t kRoutineCode = address::kReplacedRoutine + 0x80;
// The six bytes the plug-in turns into no-operations, as they may be found:
// the game's own, another mod's jump to its code, or no-operations already.
std::array<uint8_t, kRemovedCodeLength> RemovedCodeBytes(RemovedCode removed) {
    switch (removed) {
        case RemovedCode::OtherModsJump:
            return {0xE9, 0xB1, 0xD9, 0xF5, 0xFF, 0x90};  // jmp 0x460000, then a no-operation
        case RemovedCode::NoOperations:
            return {0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
        case RemovedCode::Game:
            break;
    }
    return address::kRemovedCode;
}

// Where the game's code saves registers around the patched call, and the
// routine at its entry.
struct FrameSlots {
    uint32_t callerStack;
    uint32_t stackBefore;
    uint32_t flagsBefore;
    Registers after;
    uint32_t stackAfter;
    uint32_t flagsAfter;
    Registers entry;
    uint32_t entryStack;
    uint32_t entryWordAbove;
    uint32_t entryFlags;
};
constexpr uintptr_t kFrameSlots = address::kGameObject + 0x100;

FrameSlots& Slots() {
    return *reinterpret_cast<FrameSlots*>(kFrameSlots);
}

// The address of a slot, for the machine code.
uint32_t At(const uint32_t& slot) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&slot));
}

uint32_t gHostCalls = 0;
FrameRecord* gFrame = nullptr;

uint32_t gFaultClassKey = 0;
ClassFault gClassFault = ClassFault::None;
void* gGuardPage = nullptr;
volatile uintptr_t gNowhere = 0x10;

// What GetClass hands back for the class that plays a fault.
void* FaultyClass() {
    switch (gClassFault) {
        case ClassFault::BadPointer:
            return reinterpret_cast<void*>(0x10);
        case ClassFault::GuardPage: {
            // Armed anew each time: a guard page disarms itself when touched.
            if (gGuardPage == nullptr) {
                gGuardPage = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
            }
            DWORD previous = 0;
            VirtualProtect(gGuardPage, 4096, PAGE_READWRITE | PAGE_GUARD, &previous);
            return gGuardPage;
        }
        case ClassFault::InGameCode:
            // The game's own code writes where nothing is.
            *reinterpret_cast<volatile uint32_t*>(gNowhere) = 0;
            return nullptr;
        case ClassFault::None:
            break;
    }
    return nullptr;
}

// The game's side of its operations, entered through the jumps at the fixed
// addresses: each counts the call and hands it to the sandbox host. Entered
// from the plug-in's or the game's machine code, so they realign the stack.
// The routine's machine code calls this with the game's this-object in ECX.
void HOST_THISCALL HOST_REALIGN_STACK RecordRoutineRun(void*) {
    if (gFrame != nullptr) {
        const FrameSlots& slots = Slots();
        gFrame->routineRuns.push_back(
            {gHostCalls, slots.entry, slots.entryStack, slots.entryWordAbove, slots.entryFlags});
    }
}
void* HOST_THISCALL HOST_REALIGN_STACK GetClass(void* database, uint32_t classKey) {
    ++gHostCalls;
    if (gClassFault != ClassFault::None && classKey == gFaultClassKey) {
        return FaultyClass();
    }
    return ops::GetClass(database, classKey);
}
void* HOST_CDECL HOST_REALIGN_STACK GetCollection(void* classTable, uint32_t collectionKey) {
    ++gHostCalls;
    return ops::GetCollection(classTable, collectionKey);
}
void* HOST_THISCALL HOST_REALIGN_STACK GetFieldDefinition(void* classObject, uint32_t fieldKey) {
    ++gHostCalls;
    return ops::GetFieldDefinition(classObject, fieldKey);
}
void* HOST_THISCALL HOST_REALIGN_STACK ConstructCollection(void* memory, void* classObject,
                                                           void* parent, uint32_t key,
                                                           uint32_t zero) {
    ++gHostCalls;
    return ops::ConstructCollection(memory, classObject, parent, key, zero);
}
void* HOST_THISCALL HOST_REALIGN_STACK GetArrayElement(void* array, uint32_t index) {
    ++gHostCalls;
    return ops::GetArrayElement(array, index);
}
uint32_t HOST_CDECL HOST_REALIGN_STACK HashString32(const char* text) {
    ++gHostCalls;
    return ops::HashString32(text);
}
// The same two, as a game that pops its own arguments would have them.
void* __attribute__((stdcall)) HOST_REALIGN_STACK GetCollectionPopping(void* classTable,
                                                                       uint32_t collectionKey) {
    return GetCollection(classTable, collectionKey);
}
uint32_t __attribute__((stdcall)) HOST_REALIGN_STACK HashString32Popping(const char* text) {
    return HashString32(text);
}

template <typename F>
uintptr_t AddressOf(F function) {
    return reinterpret_cast<uintptr_t>(function);
}

// ModRM bytes of "mov [disp32], reg".
constexpr uint8_t kToEbx = 0x1D, kToEcx = 0x0D, kToEdx = 0x15, kToEsi = 0x35, kToEdi = 0x3D,
                  kToEbp = 0x2D, kToEsp = 0x25;

// x86 machine code, assembled into a buffer and then put at its address.
class CodeWriter {
public:
    explicit CodeWriter(uintptr_t origin) : origin_(origin) {}

    uintptr_t Here() const { return origin_ + code_.size(); }
    std::size_t Size() const { return code_.size(); }

    CodeWriter& Bytes(std::initializer_list<uint8_t> bytes) {
        code_.insert(code_.end(), bytes);
        return *this;
    }
    CodeWriter& Word(uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8) {
            code_.push_back(static_cast<uint8_t>(word >> shift));
        }
        return *this;
    }
    // E8 / E9 with the distance from the end of the instruction.
    CodeWriter& Call(uintptr_t target) { return Relative(0xE8, target); }
    CodeWriter& Jump(uintptr_t target) { return Relative(0xE9, target); }

    // mov [slot], reg for EAX, EBX, ECX, EDX, ESI, EDI, EBP and ESP.
    CodeWriter& StoreEax(uint32_t slot) { return Bytes({0xA3}).Word(slot); }
    CodeWriter& Store(uint8_t modrm, uint32_t slot) { return Bytes({0x89, modrm}).Word(slot); }
    // pushfd; pop [slot]
    CodeWriter& StoreFlags(uint32_t slot) { return Bytes({0x9C, 0x8F, 0x05}).Word(slot); }
    // EAX, EBX, ECX, EDX, ESI, EDI and EBP into their slots.
    CodeWriter& StoreRegisters(Registers& slots) {
        StoreEax(At(slots.eax));
        Store(kToEbx, At(slots.ebx)).Store(kToEcx, At(slots.ecx)).Store(kToEdx, At(slots.edx));
        return Store(kToEsi, At(slots.esi))
            .Store(kToEdi, At(slots.edi))
            .Store(kToEbp, At(slots.ebp));
    }

    void Place() const {
        std::memcpy(reinterpret_cast<void*>(origin_), code_.data(), code_.size());
    }

private:
    CodeWriter& Relative(uint8_t opcode, uintptr_t target) {
        Bytes({opcode});
        return Word(static_cast<uint32_t>(target - (Here() + 4)));
    }

    uintptr_t origin_;
    std::vector<uint8_t> code_;
};

// The game's code up to the patched call, called from C++ as a cdecl
// function. It keeps the C++ caller's registers, puts a word of its own on a
// stack that is only 4-byte aligned (as the game's own code has it), loads
// known values into every register (ECX: the game object, the this-object of
// the routine at 0x664780), and notes ESP and the flags.
void WriteFrameStart(CodeWriter& code) {
    const Registers& r = kGameRegisters;
    code.Bytes({0x55, 0x53, 0x56, 0x57});         // push ebp; push ebx; push esi; push edi
    code.Store(kToEsp, At(Slots().callerStack));  // mov [callerStack], esp
    code.Bytes({0x83, 0xE4, 0xF0});               // and esp, -16
    code.Bytes({0x68}).Word(kStackMarker);        // push marker: misaligned for the call
    code.Bytes({0xB8}).Word(r.eax);               // mov eax, ...
    code.Bytes({0xBB}).Word(r.ebx);               // mov ebx, ...
    code.Bytes({0xB9}).Word(r.ecx);               // mov ecx, game object
    code.Bytes({0xBA}).Word(r.edx);               // mov edx, ...
    code.Bytes({0xBE}).Word(r.esi);               // mov esi, ...
    code.Bytes({0xBF}).Word(r.edi);               // mov edi, ...
    code.Bytes({0xBD}).Word(r.ebp);               // mov ebp, ...
    code.Bytes({0xFC});                           // cld
    code.StoreFlags(At(Slots().flagsBefore));     // pushfd; pop [flagsBefore]
    code.Store(kToEsp, At(Slots().stackBefore));  // mov [stackBefore], esp
}

// The patched call itself at 0x6660C0, then what the game finds after it,
// and back to C++.
void WriteFrameEnd(CodeWriter& code, uintptr_t routine) {
    code.Call(routine);                                      // call routine
    code.StoreRegisters(Slots().after);                      // mov [after.eax], eax; ...
    code.Store(kToEsp, At(Slots().stackAfter));              // mov [stackAfter], esp
    code.StoreFlags(At(Slots().flagsAfter));                 // pushfd; pop [flagsAfter]
    code.Bytes({0x8B, 0x25}).Word(At(Slots().callerStack));  // mov esp, [callerStack]
    code.Bytes({0x5F, 0x5E, 0x5B, 0x5D, 0xC3});  // pop edi; pop esi; pop ebx; pop ebp; ret
}

// The replaced routine: notes every register, its stack and flags at entry,
// records the run, and returns its result in EAX, with other values in ECX
// and EDX (which no convention keeps) and the game's EBX, ESI, EDI and EBP.
void WriteRoutine(CodeWriter& code) {
    code.StoreRegisters(Slots().entry);          // mov [entry.eax], eax; ...
    code.Store(kToEsp, At(Slots().entryStack));  // mov [entryStack], esp
    code.Bytes({0x8B, 0x44, 0x24, 0x04});        // mov eax, [esp+4]
    code.StoreEax(At(Slots().entryWordAbove));   // mov [entryWordAbove], eax
    code.StoreFlags(At(Slots().entryFlags));     // pushfd; pop [entryFlags]
    code.Call(AddressOf(&RecordRoutineRun));     // call (ECX: this-object)
    code.Bytes({0xB8}).Word(kRoutineResult);     // mov eax, result
    code.Bytes({0xB9}).Word(0xC1C1C1C1);         // mov ecx, ...
    code.Bytes({0xBA}).Word(0xD1D1D1D1);         // mov edx, ...
    code.Bytes({0xC3});                          // ret
}

uintptr_t gFrameStart = 0;

}  // namespace

bool LayOutGameImage(GameVersion version, ArgumentPopping popping, RemovedCode removed,
                     std::string& error) {
    const auto start = reinterpret_cast<uintptr_t>(gGameImage);
    if (start > kGameCodeStart || start + sizeof gGameImage < kDataEnd) {
        error = "the game's image section does not hold 0x450000 to 0x90E000";
        return false;
    }

    const bool calleePops = popping == ArgumentPopping::Callee;
    const std::pair<uintptr_t, uintptr_t> jumps[] = {
        {address::kGetArrayElement, AddressOf(&GetArrayElement)},
        {address::kGetClass, AddressOf(&GetClass)},
        {address::kGetCollection,
         calleePops ? AddressOf(&GetCollectionPopping) : AddressOf(&GetCollection)},
        {address::kGetFieldDefinition, AddressOf(&GetFieldDefinition)},
        {address::kConstructCollection, AddressOf(&ConstructCollection)},
        {address::kHashString32,
         calleePops ? AddressOf(&HashString32Popping) : AddressOf(&HashString32)},
        {address::kReplacedRoutine, kRoutineCode},
        {kOtherVersionRoutine, kRoutineCode},
    };
    for (const auto& [at, target] : jumps) {
        CodeWriter code(at);
        code.Jump(target).Place();
    }

    CodeWriter routine(kRoutineCode);
    WriteRoutine(routine);
    routine.Place();

    CodeWriter measure(0);
    WriteFrameStart(measure);
    gFrameStart = address::kModsCallSite - measure.Size();
    CodeWriter frameStart(gFrameStart);
    WriteFrameStart(frameStart);
    frameStart.Place();
    CodeWriter frameEnd(address::kModsCallSite);
    WriteFrameEnd(frameEnd, version == GameVersion::Supported ? address::kReplacedRoutine
                                                              : kOtherVersionRoutine);
    frameEnd.Place();

    const auto removedCode = RemovedCodeBytes(removed);
    std::memcpy(reinterpret_cast<void*>(address::kRemovedCodeSite), removedCode.data(),
                removedCode.size());

    DWORD previous = 0;
    if (!VirtualProtect(reinterpret_cast<void*>(kGameCodeStart), kGameCodeEnd - kGameCodeStart,
                        PAGE_EXECUTE_READ, &previous)) {
        error = "the game's code pages cannot be made executable";
        return false;
    }
    return true;
}

void InjectClassFault(const std::string& name, ClassFault fault) {
    gFaultClassKey = ops::HashString32(name.c_str());
    gClassFault = fault;
}

void SetDatabaseInstance(void* database) {
    *reinterpret_cast<void**>(address::kDatabaseInstanceWord) = database;
}

uint32_t HostCalls() {
    return gHostCalls;
}

FrameRecord PlayFrame() {
    FrameRecord frame;
    gFrame = &frame;
    const uint32_t callsBefore = gHostCalls;
    reinterpret_cast<void (*)()>(gFrameStart)();
    gFrame = nullptr;
    for (auto& run : frame.routineRuns) {
        run.hostCallsBefore -= callsBefore;
    }
    frame.hostCalls = gHostCalls - callsBefore;
    const FrameSlots& slots = Slots();
    frame.stackBefore = slots.stackBefore;
    frame.flagsBefore = slots.flagsBefore;
    frame.registersAfter = slots.after;
    frame.stackAfter = slots.stackAfter;
    frame.flagsAfter = slots.flagsAfter;
    return frame;
}

std::vector<uint8_t> ReadGameBytes(uintptr_t at, std::size_t count) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(at);
    return {bytes, bytes + count};
}

}  // namespace sandbox_game

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

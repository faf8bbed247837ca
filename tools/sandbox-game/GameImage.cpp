#include "GameImage.h"

#include <windows.h>

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
// A conditional jump, six bytes long: what the plug-in turns into no-operations.
constexpr uint8_t kRemovedCode[kRemovedCodeLength] = {0x0F, 0x85, 0x1D, 0x01, 0x00, 0x00};

// Where the game's code saves registers around the patched call.
struct FrameSlots {
    uint32_t callerStack;
    uint32_t stackBefore;
    Registers registers;
    uint32_t stackAfter;
};
constexpr uintptr_t kFrameSlots = address::kGameObject + 0x100;

FrameSlots& Slots() {
    return *reinterpret_cast<FrameSlots*>(kFrameSlots);
}

uint32_t gHostCalls = 0;
FrameRecord* gFrame = nullptr;

// The game's side of its operations, entered through the jumps at the fixed
// addresses: each counts the call and hands it to the sandbox host. Entered
// from the plug-in's or the game's machine code, so they realign the stack.
void HOST_THISCALL HOST_REALIGN_STACK ReplacedRoutine(void* self) {
    if (gFrame != nullptr) {
        gFrame->routineRuns.push_back({reinterpret_cast<uintptr_t>(self), gHostCalls});
    }
}
void* HOST_THISCALL HOST_REALIGN_STACK GetClass(void* database, uint32_t classKey) {
    ++gHostCalls;
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

template <typename F>
uintptr_t AddressOf(F function) {
    return reinterpret_cast<uintptr_t>(function);
}

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
// function. It keeps the C++ caller's registers, leaves the stack only 4-byte
// aligned (as the game's own code does), loads known values into the
// callee-saved registers and the game object into ECX (the this-object of the
// routine at 0x664780), and notes ESP.
void WriteFrameStart(CodeWriter& code) {
    constexpr uint32_t kCallerStack = kFrameSlots + offsetof(FrameSlots, callerStack);
    constexpr uint32_t kStackBefore = kFrameSlots + offsetof(FrameSlots, stackBefore);
    code.Bytes({0x55, 0x53, 0x56, 0x57});           // push ebp; push ebx; push esi; push edi
    code.Bytes({0x89, 0x25}).Word(kCallerStack);    // mov [callerStack], esp
    code.Bytes({0x83, 0xE4, 0xF0});                 // and esp, -16
    code.Bytes({0x83, 0xEC, 0x04});                 // sub esp, 4: misaligned for the call
    code.Bytes({0xBB}).Word(kFrameRegisters.ebx);   // mov ebx, ...
    code.Bytes({0xBE}).Word(kFrameRegisters.esi);   // mov esi, ...
    code.Bytes({0xBF}).Word(kFrameRegisters.edi);   // mov edi, ...
    code.Bytes({0xBD}).Word(kFrameRegisters.ebp);   // mov ebp, ...
    code.Bytes({0xB9}).Word(address::kGameObject);  // mov ecx, game object
    code.Bytes({0x89, 0x25}).Word(kStackBefore);    // mov [stackBefore], esp
}

// The patched call itself at 0x6660C0, then the registers saved for the
// frame's record, and back to C++.
void WriteFrameEnd(CodeWriter& code, uintptr_t routine) {
    constexpr uint32_t kSaved = kFrameSlots + offsetof(FrameSlots, registers);
    constexpr uint32_t kStackAfter = kFrameSlots + offsetof(FrameSlots, stackAfter);
    constexpr uint32_t kCallerStack = kFrameSlots + offsetof(FrameSlots, callerStack);
    code.Call(routine);                                                // call routine
    code.Bytes({0x89, 0x1D}).Word(kSaved + offsetof(Registers, ebx));  // mov [saved.ebx], ebx
    code.Bytes({0x89, 0x35}).Word(kSaved + offsetof(Registers, esi));  // mov [saved.esi], esi
    code.Bytes({0x89, 0x3D}).Word(kSaved + offsetof(Registers, edi));  // mov [saved.edi], edi
    code.Bytes({0x89, 0x2D}).Word(kSaved + offsetof(Registers, ebp));  // mov [saved.ebp], ebp
    code.Bytes({0x89, 0x25}).Word(kStackAfter);                        // mov [stackAfter], esp
    code.Bytes({0x8B, 0x25}).Word(kCallerStack);                       // mov esp, [callerStack]
    code.Bytes({0x5F, 0x5E, 0x5B, 0x5D, 0xC3});  // pop edi; pop esi; pop ebx; pop ebp; ret
}

uintptr_t gFrameStart = 0;

}  // namespace

bool LayOutGameImage(GameVersion version, std::string& error) {
    const auto start = reinterpret_cast<uintptr_t>(gGameImage);
    if (start > kGameCodeStart || start + sizeof gGameImage < kDataEnd) {
        error = "the game's image section does not hold 0x450000 to 0x90E000";
        return false;
    }

    const std::pair<uintptr_t, uintptr_t> jumps[] = {
        {address::kGetArrayElement, AddressOf(&GetArrayElement)},
        {address::kGetClass, AddressOf(&GetClass)},
        {address::kGetCollection, AddressOf(&GetCollection)},
        {address::kGetFieldDefinition, AddressOf(&GetFieldDefinition)},
        {address::kConstructCollection, AddressOf(&ConstructCollection)},
        {address::kHashString32, AddressOf(&HashString32)},
        {address::kReplacedRoutine, AddressOf(&ReplacedRoutine)},
        {kOtherVersionRoutine, AddressOf(&ReplacedRoutine)},
    };
    for (const auto& [at, target] : jumps) {
        CodeWriter code(at);
        code.Jump(target).Place();
    }

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

    std::memcpy(reinterpret_cast<void*>(address::kRemovedCodeSite), kRemovedCode,
                sizeof kRemovedCode);

    DWORD previous = 0;
    if (!VirtualProtect(reinterpret_cast<void*>(kGameCodeStart), kGameCodeEnd - kGameCodeStart,
                        PAGE_EXECUTE_READ, &previous)) {
        error = "the game's code pages cannot be made executable";
        return false;
    }
    return true;
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
    frame.registersAfter = Slots().registers;
    frame.stackBefore = Slots().stackBefore;
    frame.stackAfter = Slots().stackAfter;
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

#include <windows.h>

#include <filesystem>

#include <fmt/format.h>

#include "host/HostApi.h"
#include "loader/LineGuard.h"

// A line's fault is caught by a frame-based exception handler, the 32-bit
// Windows mechanism that C's __try uses: a registration record on the stack,
// linked into the thread's handler chain for the duration of the line only.
// So it sees only faults of this thread while this line runs, it comes after
// any handler the game's own code registered deeper down (a fault the game
// handles itself never reaches it), and nothing process-wide is touched.
namespace rakor {
namespace {

bool IsHardwareFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_GUARD_PAGE:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            return true;
        default:
            return false;
    }
}

HardwareFault FaultOf(const EXCEPTION_RECORD& record) {
    HardwareFault fault;
    fault.code = record.ExceptionCode;
    fault.address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    const bool memory = record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
                        record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR ||
                        record.ExceptionCode == EXCEPTION_GUARD_PAGE;
    if (memory && record.NumberParameters >= 2) {
        fault.access = static_cast<int>(record.ExceptionInformation[0]);
        fault.target = record.ExceptionInformation[1];
    }
    return fault;
}

// " (VexaAttribLoader.Tormelin.asi+0x1234)": where a code address lies, so
// that a report can be matched against a build.
std::string ModuleOffset(uintptr_t address) {
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH];
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(address), &module) ||
        GetModuleFileNameW(module, path, MAX_PATH) == 0) {
        return {};
    }
    const std::u8string name = std::filesystem::path(path).filename().u8string();
    return fmt::format(" ({}+0x{:X})", std::string(name.begin(), name.end()),
                       address - reinterpret_cast<uintptr_t>(module));
}

std::string WhatFaulted(const HardwareFault& fault) {
    const char* verb = fault.access == 1 ? "writing" : fault.access == 8 ? "executing" : "reading";
    switch (fault.code) {
        case EXCEPTION_ACCESS_VIOLATION:
            return fmt::format("access violation {} 0x{:08X}", verb, fault.target);
        case EXCEPTION_GUARD_PAGE:
            return fmt::format("guard page hit {} 0x{:08X}", verb, fault.target);
        case EXCEPTION_IN_PAGE_ERROR:
            return fmt::format("page that could not be brought in, {} 0x{:08X}", verb,
                               fault.target);
        case EXCEPTION_DATATYPE_MISALIGNMENT:
            return "misaligned access";
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
            return "integer division by zero";
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            return "instruction the processor refused";
        default:
            return fmt::format("exception 0x{:08X}", fault.code);
    }
}

// What a fault means for the line, decided in the handler: a fault inside
// one of the host's operations (more of them running than when the line
// started) is the game's, reported and left to take its course.
bool IsLinesOwn(const GuardedLine& line, uint32_t hostCallsAtStart, const HardwareFault& fault) {
    if (Host::HostCallDepth() > hostCallsAtStart) {
        line.onHostFault(line.context, fault);
        return false;
    }
    return true;
}

}  // namespace

std::string DescribeFault(const HardwareFault& fault) {
    return fmt::format("{} at 0x{:08X}{}", WhatFaulted(fault), fault.address,
                       ModuleOffset(fault.address));
}

#if defined(_MSC_VER) && !defined(__clang__)

namespace {

int Filter(const EXCEPTION_POINTERS* info, const GuardedLine& line, uint32_t hostCallsAtStart,
           HardwareFault& fault) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (!IsHardwareFault(record.ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    fault = FaultOf(record);
    return IsLinesOwn(line, hostCallsAtStart, fault) ? EXCEPTION_EXECUTE_HANDLER
                                                     : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

std::optional<HardwareFault> RunGuarded(const GuardedLine& line) noexcept {
    const uint32_t hostCallsAtStart = Host::HostCallDepth();
    HardwareFault fault;
    __try {
        line.run(line.context);
    } __except (Filter(GetExceptionInformation(), line, hostCallsAtStart, fault)) {
        return fault;
    }
    return std::nullopt;
}

#else

namespace {

// The system's registration record (its first two words), and what the
// handler needs to send the thread back to RunGuarded.
struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD* next;
    PEXCEPTION_ROUTINE handler;
    void* resume[5];  // __builtin_setjmp's buffer
    const GuardedLine* line;
    uint32_t hostCallsAtStart;
    uint16_t fpuControl;
    HardwareFault fault;
};

// Entered in place of the faulting instruction, on the faulting thread's
// stack, with the frame in EAX. The x87 register stack may still hold what the
// interrupted code had pushed: it is emptied, keeping the game's control word.
[[noreturn]] __attribute__((regparm(1))) void ResumeAfterFault(GuardFrame* frame) {
    asm volatile("fninit\n\tfldcw %0" : : "m"(frame->fpuControl));
    __builtin_longjmp(frame->resume, 1);
}

EXCEPTION_DISPOSITION NTAPI OnException(EXCEPTION_RECORD* record, void* establisher,
                                        CONTEXT* context, void* /*dispatcher*/) {
    auto* frame = static_cast<GuardFrame*>(establisher);
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
        !IsHardwareFault(record->ExceptionCode)) {
        return ExceptionContinueSearch;
    }
    frame->fault = FaultOf(*record);
    if (!IsLinesOwn(*frame->line, frame->hostCallsAtStart, frame->fault)) {
        return ExceptionContinueSearch;
    }
    context->Eip = reinterpret_cast<uintptr_t>(&ResumeAfterFault);
    context->Eax = reinterpret_cast<uintptr_t>(frame);
    // As a call would enter it: below the faulting code's stack, aligned.
    context->Esp = (context->Esp & ~DWORD{15}) - 4;
    context->EFlags &= ~DWORD{0x400};  // the direction flag, clear for compiled code
    return ExceptionContinueExecution;
}

// The head of the thread's chain of registration records: the first word of
// its information block, at FS:0.
EXCEPTION_REGISTRATION_RECORD* FirstHandler() {
    EXCEPTION_REGISTRATION_RECORD* record = nullptr;
    asm volatile("movl %%fs:0, %0" : "=r"(record));
    return record;
}
void SetFirstHandler(EXCEPTION_REGISTRATION_RECORD* record) {
    asm volatile("movl %0, %%fs:0" : : "r"(record) : "memory");
}

}  // namespace

std::optional<HardwareFault> RunGuarded(const GuardedLine& line) noexcept {
    GuardFrame frame{};
    frame.next = FirstHandler();
    frame.handler = &OnException;
    frame.line = &line;
    frame.hostCallsAtStart = Host::HostCallDepth();
    asm volatile("fnstcw %0" : "=m"(frame.fpuControl));

    SetFirstHandler(reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(&frame));
    const bool faulted = __builtin_setjmp(frame.resume) != 0;
    if (!faulted) {
        line.run(line.context);
    }
    // Records that faulting code had linked in deeper down went with its frames.
    SetFirstHandler(frame.next);
    return faulted ? std::optional(frame.fault) : std::nullopt;
}

#endif

}  // namespace rakor

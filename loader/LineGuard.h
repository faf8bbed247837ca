#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rakor {

// A hardware fault that stopped a script line: an access violation, a
// misaligned or guard-page access, a division by zero, ...
struct HardwareFault {
    uint32_t code = 0;      // the system's exception code
    uintptr_t address = 0;  // the instruction that faulted
    int access = -1;        // for a memory fault: 0 read, 1 write, 8 execute
    uintptr_t target = 0;   //   and the address it tried
};

// "access violation reading 0x00000010 at 0x6C8C1234
// (VexaAttribLoader.Tormelin.asi+0x1234)": what the modder reads in the log.
std::string DescribeFault(const HardwareFault& fault);

// One script line's action, as the runner hands it to RunGuarded. `run` must
// not throw.
struct GuardedLine {
    void (*run)(void* context);
    // Called when the fault lies in the host's own code, from inside the
    // fault's handling: the last chance to log and flush before the game's
    // own handlers (or the end of the process) take the fault.
    void (*onHostFault)(void* context, const HardwareFault& fault);
    void* context;
};

// Runs `line` so that a hardware fault in the library's own code (reading a
// host record through a bad pointer, say) fails that line instead of ending
// the game: the fault is returned and the caller goes on with the next line.
// A fault inside one of the host's operations is not the line's: the game's
// state can no longer be trusted, so it is reported to `onHostFault` and then
// takes its normal course. Nothing is armed outside the call, on no other
// thread, and handlers other code has installed are left as they are. Where
// the platform has no such faults to catch, `line` simply runs.
std::optional<HardwareFault> RunGuarded(const GuardedLine& line) noexcept;

}  // namespace rakor

#include <fmt/format.h>

#include "loader/LineGuard.h"

// Native builds run the loader against the sandbox host only, where a fault is
// a bug for the sanitizers to report, not something a mod brings about.
namespace rakor {

std::string DescribeFault(const HardwareFault& fault) {
    return fmt::format("fault 0x{:08X} at 0x{:08X}", fault.code, fault.address);
}

std::optional<HardwareFault> RunGuarded(const GuardedLine& line) noexcept {
    line.run(line.context);
    return std::nullopt;
}

}  // namespace rakor

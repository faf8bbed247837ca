#pragma once

#include <exception>
#include <optional>
#include <string>

#include <spdlog/logger.h>

#include "loader/LineGuard.h"

namespace rakor {

// What stopped a guarded call before it returned.
struct GuardedStop {
    bool fault = false;  // a hardware fault in the library's own code; otherwise an exception
    std::string what;    // the fault described for the log, or the exception's text
};

// Runs `work` (which may throw) under the fault guard, the one way the
// library reads the game's records where a record may be damaged: a script
// line, and the snapshot's reads. Neither an exception nor a fault in the
// library's own code (a record read through a pointer the game handed over)
// leaves it: either comes back as what stopped it; nothing comes back when
// `work` returned. A fault inside one of the game's own operations is the
// game's: it is logged as "WHO ran into a fault in the game's own code: ...",
// with `who()` (called for that line only), flushed, and left to take its
// course.
template <typename Work, typename Who>
std::optional<GuardedStop> RunGuardedCall(Work&& work, spdlog::logger& log, Who&& who) noexcept {
    struct Context {
        Work& work;
        spdlog::logger& log;
        Who& who;
        std::optional<GuardedStop> stop;
    } context{work, log, who, std::nullopt};
    const GuardedLine guarded{
        .run =
            [](void* opaque) {
                Context& current = *static_cast<Context*>(opaque);
                // Nothing may leave a guarded call but by returning.
                try {
                    current.work();
                } catch (const std::exception& failure) {
                    current.stop = GuardedStop{false, failure.what()};
                } catch (...) {
                    current.stop = GuardedStop{false, "unknown error"};
                }
            },
        .onHostFault =
            [](void* opaque, const HardwareFault& fault) {
                Context& current = *static_cast<Context*>(opaque);
                current.log.error(
                    "{} ran into a fault in the game's own code: {}. The game's state cannot be "
                    "trusted after that, so the loader leaves the fault to the game.",
                    current.who(), DescribeFault(fault));
                current.log.flush();
            },
        .context = &context,
    };
    if (const std::optional<HardwareFault> fault = RunGuarded(guarded)) {
        return GuardedStop{true, DescribeFault(*fault)};
    }
    return std::move(context.stop);
}

}  // namespace rakor

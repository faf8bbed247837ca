#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/HostCall.h"

// The host that the library's calls reach in a test program linked with
// vexa_recorded_host (instead of vexa_sandbox_backend): the sandbox host
// unless a test hands another over, and every call noted while the test asks
// for it, so that two runs can be held against each other call by call.
namespace vexa::test {

struct HostCall {
    std::string_view operation;
    uint64_t argument = 0;  // the key, index or (for a hashed name) the name's own hash

    friend bool operator==(const HostCall&, const HostCall&) = default;
};

// The library's calls reach `host` from now on (its instance word too).
void UseHost(const rakor::Host::EntryPoints& host);
void UseSandboxHost();

void StartNotingCalls();
// The calls since StartNotingCalls, in order; noting stops.
std::vector<HostCall> StopNotingCalls();

// What GetEntryPoints gives the library in such a program.
rakor::Host::EntryPoints& EntryPointsForLibrary();

}  // namespace vexa::test

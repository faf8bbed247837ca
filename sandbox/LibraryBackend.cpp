// The sandbox backend: the library's host operations reach the sandbox host.
// Linked into the tests and the tools instead of the game's fixed addresses.
// HostOperations.h first: it brings in the host call types with the
// thiscall warning silenced (see there).
#include "sandbox/HostOperations.h"

namespace rakor::Host {

const EntryPoints& GetEntryPoints() {
    // Function-local, so that a static object of a test or a tool that
    // hashes a name finds it built whatever the initialisation order.
    static const EntryPoints points = Sandbox::Ops::SandboxEntryPoints();
    return points;
}

}  // namespace rakor::Host

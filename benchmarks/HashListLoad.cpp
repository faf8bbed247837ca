// The hash list as the loader inside the game loads it: the library with a
// host whose string hash keeps no names. (The sandbox host's hash remembers
// every name it is given, for the tools' dumps; the game's does not.) The
// first resolve reads "Qzr/VLTHashes.txt" of the current folder, and
// whole-run.sh measures this process with the file and without it.
#include <cstdio>
#include <string>

#include "hash/HashResolver.h"
#include "host/HostCall.h"
#include "sandbox/HostOperations.h"
#include "sandbox/NameHash.h"

namespace {

uint32_t HOST_CDECL PlainHash(const char* text) {
    return rakor::Sandbox::Crc32(text);
}

}  // namespace

namespace rakor::Host {

const EntryPoints& GetEntryPoints() {
    static const EntryPoints points = Sandbox::Ops::SandboxEntryPoints(&PlainHash);
    return points;
}

}  // namespace rakor::Host

int main() {
    // The first name of a generated list (benchmarks/Workload.cpp).
    const std::string name = rakor::Attrib::HashResolver::Resolve(PlainHash("car_tyre_0"));
    std::printf("%s\n", name.c_str());
    return 0;
}

#pragma once

#include <memory>
#include <string>

#include "Workload.h"
#include "sandbox/Database.h"

// The generated database of a few thousand collections (benchmarks/Workload.h)
// built into a live sandbox database, for benchmarks that run actions on it.
namespace vexa::bench {

struct LiveDatabase {
    DatabaseNames names = MakeDatabaseNames();
    std::unique_ptr<rakor::Sandbox::Database> database;

    // Builds it anew: a sandbox database lives alone, and edits pile up.
    void Rebuild();
};

}  // namespace vexa::bench

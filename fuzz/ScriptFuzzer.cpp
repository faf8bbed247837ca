// Runs arbitrary bytes as a mod script, line by line, against a database with
// a field of every host type in every place a field can live
// (fuzz/every-field.json): in the class layout, in a collection's own entries,
// inherited from a parent and a grandparent, and as arrays (own and layout,
// packed 8-bit, with spare room, empty, wider elements than the type).
// Parsing, name conversion, field lookup, every value type's parsing into host
// memory and array resizing all run.
//
// The database is built once and put back from a snapshot before every
// input, which costs a copy of its blocks instead of a build from JSON, and
// frees the array records and texts the library handed to it, so that the
// leak check sees only memory that nobody owns.
// Failed lines are the expected outcome for most inputs; findings are
// crashes, sanitizer reports, an exception other than std::exception, and
// any request the host would have refused (the game would have crashed or
// corrupted itself on it).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <sstream>
#include <string_view>

#include "automation/CommandParser.h"
#include "hash/HashResolver.h"
#include "host/TextFile.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/NameHash.h"

namespace {

struct Fixture {
    rakor::Sandbox::Database database;
    std::shared_ptr<const rakor::Sandbox::DatabaseSnapshot> start;

    Fixture() {
        rakor::Sandbox::LoadDescription(database,
                                        rakor::Sandbox::ReadDescriptionFile(VEXA_FUZZ_DATABASE));
        start = database.TakeSnapshot();
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Fixture& fixture = TheFixture();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream script(rakor::NormaliseTextBytes(bytes));
    for (const auto& line : rakor::Attrib::Automation::ParseScript(script)) {
        if (!line.action) {
            continue;  // a line the parser rejected: its message is the result
        }
        try {
            line.action->Act();
        } catch (const std::exception&) {
            continue;  // a failed line, as the runner would log it: not a finding
        }
        // So that the next restore frees what this line handed over, even if
        // a later line replaces it: what remains after that is a real leak.
        fixture.database.NoteHandedOver();
    }

    const auto& complaints = fixture.database.Complaints();
    if (!complaints.empty()) {
        std::fprintf(stderr, "the host refused a request from the loader: %s\n",
                     complaints.front().c_str());
        std::abort();
    }

    // Put back before the input ends, so that it frees what it allocated and
    // the leak check, which compares allocations and frees within one input,
    // has nothing to look at unless something leaked. The name tables grow
    // with every name an input uses; emptied, they stay small, and an input
    // behaves the same whatever ran before it.
    fixture.database.Restore(*fixture.start);
    rakor::Attrib::HashResolver::ResetForTesting();
    rakor::Sandbox::ForgetNames();
    return 0;
}

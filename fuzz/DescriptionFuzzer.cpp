// Feeds arbitrary JSON to the database description loader and dumps what it
// accepted: a description either builds a database or is refused with a
// DescriptionError, never a crash.
#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const nlohmann::ordered_json description =
        nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (description.is_discarded()) {
        return 0;
    }
    rakor::Sandbox::Database database;
    try {
        rakor::Sandbox::LoadDescription(database, description);
    } catch (const rakor::Sandbox::DescriptionError&) {
        return 0;  // refused with a message: the expected outcome for most inputs
    }
    rakor::Sandbox::DumpDescription(database);
    return 0;
}

// Runs arbitrary bytes as a mod script, line by line, against the example
// database: parsing, name conversion, field lookup and every value type's
// parsing into host memory. Failed lines are the expected outcome for most
// inputs; only crashes and sanitizer reports count.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string_view>

#include "automation/CommandParser.h"
#include "host/TextFile.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

namespace {

const nlohmann::ordered_json& ExampleDatabase() {
    static const nlohmann::ordered_json description =
        rakor::Sandbox::ReadDescriptionFile(VEXA_EXAMPLE_DATABASE);
    return description;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    rakor::Sandbox::Database database;
    rakor::Sandbox::LoadDescription(database, ExampleDatabase());

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream script(rakor::NormaliseTextBytes(bytes));
    for (const auto& line : rakor::Attrib::Automation::ParseScript(script)) {
        if (!line.action) {
            continue;  // a line the parser rejected: its message is the result
        }
        try {
            line.action->Act();
        } catch (const std::exception&) {
            // A failed line, as the runner would log it: not a finding.
        }
    }
    return 0;
}

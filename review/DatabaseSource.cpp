#include "review/DatabaseSource.h"

#include <exception>
#include <ostream>

#include <fmt/format.h>

#include "loader/ScriptRunner.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/ExampleDatabase.h"

namespace vxmod {
namespace sandbox = rakor::Sandbox;

bool LoadDatabase(sandbox::Database& database, const std::optional<std::filesystem::path>& file,
                  std::ostream& err) {
    const std::string name = file ? fmt::format("'{}'", rakor::ScriptRunner::DisplayPath(*file))
                                  : std::string("the built-in example database");
    try {
        // Descriptions keep the file's key order: layout fields are placed in it.
        const nlohmann::ordered_json description =
            file ? sandbox::ReadDescriptionFile(*file)
                 : nlohmann::ordered_json::parse(rakor::Sandbox::kExampleDatabaseJson);
        sandbox::LoadDescription(database, description);
        return true;
    } catch (const sandbox::DescriptionError& error) {
        if (error.Pointer().empty()) {
            err << "vxmod: " << error.Message() << '\n';
        } else {
            err << fmt::format("vxmod: cannot use {}: at {}: {}\n", name, error.Pointer(),
                               error.Message());
        }
    } catch (const std::exception& error) {
        err << fmt::format("vxmod: cannot use {}: {}\n", name, error.what());
    }
    return false;
}

std::optional<std::string> DescriptionText(const sandbox::Database& database, std::ostream& err) {
    try {
        return sandbox::DumpDescription(database).dump(2) + '\n';
    } catch (const nlohmann::json::exception&) {
        // The description writes texts that are not UTF-8 as their bytes;
        // anything else that JSON cannot carry is a fault of vxmod.
        err << "vxmod: the database holds a value that the description format cannot carry; "
               "please report this\n";
    }
    return std::nullopt;
}

}  // namespace vxmod

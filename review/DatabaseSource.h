#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "sandbox/Database.h"

namespace vxmod {

// Builds the sandbox database from a description file, or from the example
// database built into vxmod when there is none. On failure writes what is
// wrong and where to `err` (never the JSON library's own text) and returns
// false; the database is then empty.
bool LoadDatabase(rakor::Sandbox::Database& database,
                  const std::optional<std::filesystem::path>& file, std::ostream& err);

// The database as description text, ready to be written to a file; empty
// after writing why to `err` when it cannot be written.
std::optional<std::string> DescriptionText(const rakor::Sandbox::Database& database,
                                           std::ostream& err);

}  // namespace vxmod

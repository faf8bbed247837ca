#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "Arguments.h"

namespace vxmod {

// vxmod run's log, in the folder it runs in: the game's own lines, in a file
// of its own, so that a run in the game's folder never replaces the game's
// log (which a modder may need for a report).
inline constexpr const char* kRunLogFileName = "vxmod.log";

// `vxmod run`: builds the sandbox database, runs the script folder with the
// loader's runner, log and hash list, reports failed lines and what a modder
// should know about the others on `err`, and optionally dumps the database.
// Returns the exit status.
int RunRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err);

// The folder a command walks must be one: the game walks AttribMods, and a
// misspelt folder or a single file would otherwise look like "no scripts".
// Writes why to `err` and returns false when it is not. `command` names the
// command for the message; "check" also takes one script.
bool IsScriptFolder(const std::filesystem::path& directory, std::string_view command,
                    std::ostream& err);

// Writes a file a command was asked for (a dump, a script) whole or not at
// all, making the folder it goes into when there is none: a modder keeps
// what vxmod writes apart from the game's files. Returns why it could not.
std::optional<std::string> WriteOutputFile(const std::filesystem::path& file,
                                           std::string_view text);

}  // namespace vxmod

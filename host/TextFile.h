#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace rakor {

// Reads a script or the hash list the same way on every platform, as the
// Windows C runtime's text mode does: CR LF becomes LF, a 0x1A byte (Ctrl-Z)
// ends the input, every other byte (a byte-order mark too) stays as it is.
// The file is opened shared, so an editor may keep it open meanwhile.
// Empty when the file cannot be opened or read.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

// The text-mode conversion on its own.
std::string NormaliseTextBytes(std::string_view bytes);

}  // namespace rakor

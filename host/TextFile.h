#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rakor {

// Reads a script or the hash list the same way on every platform, as the
// Windows C runtime's text mode does: CR LF becomes LF, a 0x1A byte (Ctrl-Z)
// ends the input, every other byte stays as it is. A UTF-8 byte-order mark
// at the very start, which many Windows editors write, is dropped: left in,
// it would glue onto the first word and lose the first line.
// The file is opened shared, so an editor may keep it open meanwhile.
// Empty when the file cannot be opened or read; `problem`, when given, then
// says why in the modder's words.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path,
                                        std::string* problem = nullptr);

// The same text, handed to `take` in pieces of whole lines (the last piece
// may end without a line feed), so that a large script is never held whole.
// False when the file cannot be opened or read (`problem` says why); what
// was handed over before a failed read is then no part of the file's text.
bool ReadTextFileInPieces(const std::filesystem::path& path,
                          const std::function<void(std::string_view lines)>& take,
                          std::string* problem = nullptr);

// What ReadTextFile makes of a file's bytes.
std::string NormaliseTextBytes(std::string_view bytes);

}  // namespace rakor

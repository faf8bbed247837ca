#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rakor {

// Writes the file whole or not at all: the bytes go to a file beside it,
// which takes the file's place only once it is complete, so that a failure
// (a full disk, a value that cannot be written) never destroys a file that
// was there. Returns why it could not, or nothing.
std::optional<std::string> WriteFileWhole(const std::filesystem::path& file,
                                          std::string_view bytes);

}  // namespace rakor

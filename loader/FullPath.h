#pragma once

#include <filesystem>
#include <string>

namespace rakor {

// A path as a modder finds it in the file manager: from the drive on (taken
// from the process's working folder when relative), without "." and "..",
// in UTF-8 with the platform's separators.
std::string FullPath(const std::filesystem::path& path);

}  // namespace rakor

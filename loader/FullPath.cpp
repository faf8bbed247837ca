#include "loader/FullPath.h"

#include <system_error>

namespace rakor {

std::string FullPath(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::u8string text =
        std::filesystem::absolute(path, ignored).lexically_normal().u8string();
    return {text.begin(), text.end()};
}

}  // namespace rakor

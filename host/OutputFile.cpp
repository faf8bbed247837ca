#include "host/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace rakor {
namespace fs = std::filesystem;

std::optional<std::string> WriteFileWhole(const fs::path& file, std::string_view bytes) {
    fs::path partial = file;
    partial += ".partial";
    std::error_code error;
    if (fs::is_directory(file, error)) {
        return "it is a folder";
    }
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            return std::strerror(errno);
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string why = std::strerror(errno);
            fs::remove(partial, error);
            return why;
        }
    }
    fs::rename(partial, file, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return error.message();
    }
    return std::nullopt;
}

}  // namespace rakor

#include "host/TextFile.h"

#include <fstream>
#include <iterator>

namespace rakor {

std::string NormaliseTextBytes(std::string_view bytes) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x1A') {
            break;
        }
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text.push_back(c);
    }
    return text;
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
    // Binary mode: the conversion is ours, so Linux and Windows read alike.
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        // Opened but not readable, as a folder named like a script is on Linux.
        return std::nullopt;
    }
    if (file.bad()) {
        return std::nullopt;
    }
    return NormaliseTextBytes(bytes);
}

}  // namespace rakor

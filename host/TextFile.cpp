#include "host/TextFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

namespace rakor {
namespace {

// What the Windows C runtime's text mode makes of the bytes, in place: the
// text can be tens of megabytes, and a copy would double what reading it
// costs at its peak.
void NormaliseInPlace(std::string& text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t from =
        std::string_view(text).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    const std::size_t end = std::min(text.find('\x1A'), text.size());
    char* const bytes = text.data();
    std::size_t to = 0;
    while (from < end) {
        const void* const found = std::memchr(bytes + from, '\r', end - from);
        const std::size_t cr =
            found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes)
                             : end;
        if (to != from) {
            std::memmove(bytes + to, bytes + from, cr - from);
        }
        to += cr - from;
        from = cr;
        if (from == end) {
            break;
        }
        // A carriage return before a line feed goes; any other stays.
        if (from + 1 == end || bytes[from + 1] != '\n') {
            bytes[to++] = '\r';
        }
        ++from;
    }
    text.resize(to);
}

}  // namespace

std::string NormaliseTextBytes(std::string_view bytes) {
    std::string text(bytes);
    NormaliseInPlace(text);
    return text;
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
    // Binary mode: the conversion is ours, so Linux and Windows read alike.
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    // Read whole into room for the size the file has now, so that the text is
    // not copied as it grows; a file that grows meanwhile is read on.
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    std::string bytes;
    try {
        bytes.reserve(sizeError ? 0 : static_cast<std::size_t>(size) + 1);
        for (;;) {
            if (bytes.size() == bytes.capacity()) {
                bytes.reserve(std::max<std::size_t>(bytes.capacity() * 2, 4096));
            }
            const std::size_t used = bytes.size();
            bytes.resize(bytes.capacity());
            file.read(bytes.data() + used, static_cast<std::streamsize>(bytes.size() - used));
            bytes.resize(used + static_cast<std::size_t>(file.gcount()));
            if (!file) {
                break;
            }
        }
    } catch (const std::ios_base::failure&) {
        // Opened but not readable, as a folder named like a script is on Linux.
        return std::nullopt;
    }
    if (file.bad()) {
        return std::nullopt;
    }
    NormaliseInPlace(bytes);
    return bytes;
}

}  // namespace rakor

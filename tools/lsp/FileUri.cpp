#include "FileUri.h"

#include <algorithm>
#include <cctype>

#include "hash/HexText.h"

namespace vxmod::lsp {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool PlainPathByte(unsigned char c) {
    return std::isalnum(c) != 0 || c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

std::optional<std::filesystem::path> PathOfUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size() ||
        !std::equal(kScheme.begin(), kScheme.end(), uri.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        })) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(kScheme.size());
    // A host before the path ("file://server/share") is a network path.
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    std::string path;
    if (!host.empty() && host != "localhost") {
        path = "//" + std::string(host);
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 &&
            HexDigit(rest[i + 2]) >= 0) {
            path += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
#if defined(_WIN32)
    // "/C:/Games" is the drive path C:/Games.
    if (path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) &&
        path[2] == ':') {
        path.erase(0, 1);
    }
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

std::string UriOfPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    const std::u8string units = path.generic_u8string();
    std::string text(units.begin(), units.end());
    if (text.size() >= 2 && text[1] == ':') {
        text.insert(0, "/");
    }
#else
    const std::string text = path.generic_string();
#endif
    std::string uri = "file://";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (PlainPathByte(byte)) {
            uri += c;
        } else {
            uri += '%';
            rakor::Hex::AppendByte(uri, byte, /*upperCase=*/true);
        }
    }
    return uri;
}

}  // namespace vxmod::lsp

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vxmod::lsp {

// The path a "file:" URI names ("file:///c%3A/Games/x.vxmod" is
// C:/Games/x.vxmod on Windows); none for a URI of another scheme.
std::optional<std::filesystem::path> PathOfUri(std::string_view uri);

// The "file:" URI of an absolute path, with every byte that is not a plain
// path character percent-encoded.
std::string UriOfPath(const std::filesystem::path& path);

}  // namespace vxmod::lsp

#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace rakor {

// What makes a folder the same folder however the walk reached it (through a
// symbolic link, a junction or another spelling of its path): the volume and
// the file number that the file system gives it. Paths cannot tell: the
// Windows standard library does not resolve junctions in them.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;

    friend auto operator<=>(const FolderIdentity&, const FolderIdentity&) = default;
};

// The identity of the folder a path leads to, links followed; empty when it
// cannot be opened. One implementation per platform.
std::optional<FolderIdentity> IdentifyFolder(const std::filesystem::path& folder);

}  // namespace rakor

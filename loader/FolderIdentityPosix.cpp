#include <sys/stat.h>

#include "loader/FolderIdentity.h"

namespace rakor {

std::optional<FolderIdentity> IdentifyFolder(const std::filesystem::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<uint64_t>(status.st_dev),
                          static_cast<uint64_t>(status.st_ino)};
}

}  // namespace rakor

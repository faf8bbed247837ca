#include <windows.h>

#include "loader/FolderIdentity.h"

namespace rakor {

std::optional<FolderIdentity> IdentifyFolder(const std::filesystem::path& folder) {
    // A folder opens only with backup semantics. Only its attributes are read,
    // and it may be open anywhere else meanwhile. Without the flag to open a
    // reparse point itself, a junction or link opens the folder it leads to.
    const HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL read = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!read) {
        return std::nullopt;
    }
    return FolderIdentity{
        information.dwVolumeSerialNumber,
        (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

}  // namespace rakor

#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace rakor {

// Why a file could not be read, worded alike on every platform.
namespace ReadProblem {
inline constexpr const char* kGone =
    "the file is not there any more (deleted or moved while the loader walked its folder, or a "
    "link that leads nowhere)";
inline constexpr const char* kDenied = "access to the file is denied: check its permissions";
inline constexpr const char* kFolder = "it is a folder, not a file";
}  // namespace ReadProblem

// A file opened for reading as the loader reads scripts and the hash list:
// shared with every other program, which may read, write, rename or delete
// it meanwhile. When it cannot be opened or read, Problem() says why in the
// modder's words: another program holding it without sharing, access denied,
// a file that is gone, a disk that fails. One implementation per platform.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Up to `size` bytes into `into`; 0 at the end of the file, and after a
    // failure, which Problem() then names.
    std::size_t Read(char* into, std::size_t size);

    // Empty while the file is open and every read has succeeded.
    const std::string& Problem() const { return problem_; }

private:
    std::intptr_t handle_ = -1;
    std::string problem_;
};

}  // namespace rakor

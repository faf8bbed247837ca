#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "host/InputFile.h"

namespace rakor {
namespace {

std::string Why(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ReadProblem::kGone;
        case EACCES:
        case EPERM:
            return ReadProblem::kDenied;
        case EISDIR:
            return ReadProblem::kFolder;
        default:
            return std::generic_category().message(error);
    }
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        problem_ = Why(errno);
        return;
    }
    handle_ = descriptor;
}

InputFile::~InputFile() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

std::size_t InputFile::Read(char* into, std::size_t size) {
    if (handle_ < 0 || !problem_.empty()) {
        return 0;
    }
    for (;;) {
        const ssize_t read = ::read(static_cast<int>(handle_), into, size);
        if (read >= 0) {
            return static_cast<std::size_t>(read);
        }
        if (errno != EINTR) {
            problem_ = Why(errno);
            return 0;
        }
    }
}

}  // namespace rakor

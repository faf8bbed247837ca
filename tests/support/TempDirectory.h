#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace vexa::test {

// A fresh directory below the system's temporary folder, removed with its
// contents at the end of the test. Optionally the current directory while it
// lives, since the loader resolves "AttribMods" and the hash list there.
class TempDirectory {
public:
    explicit TempDirectory(bool enter = false) {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vexa-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        if (enter) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (!previous_.empty()) {
            std::filesystem::current_path(previous_, ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes bytes exactly as given (no newline conversion), creating folders.
    std::filesystem::path Write(const std::filesystem::path& relative,
                                std::string_view bytes) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace vexa::test

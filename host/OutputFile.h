#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace rakor {

// Writes the file whole or not at all: the bytes go to a file beside it,
// which takes the file's place only once it is complete, so that a failure
// (a full disk, a value that cannot be written) never destroys a file that
// was there. Returns why it could not, or nothing.
std::optional<std::string> WriteFileWhole(const std::filesystem::path& file,
                                          std::string_view bytes);

// The same for a file written piece by piece, never held whole: the pieces
// go to the file beside it, which takes the file's place at Commit. Until
// then, and when anything fails, the file is as it was.
class WholeFileWriter {
public:
    explicit WholeFileWriter(std::filesystem::path file);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // After a failure, what follows is dropped and Commit says why.
    void Write(std::string_view bytes);
    // Returns why the file could not be written, or nothing.
    std::optional<std::string> Commit();

private:
    std::filesystem::path file_;
    std::filesystem::path partial_;
    std::ofstream out_;
    std::optional<std::string> failure_;
    bool done_ = false;
};

}  // namespace rakor

#include "host/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace rakor {
namespace fs = std::filesystem;

WholeFileWriter::WholeFileWriter(fs::path file) : file_(std::move(file)), partial_(file_) {
    partial_ += ".partial";
    std::error_code error;
    if (fs::is_directory(file_, error)) {
        failure_ = "it is a folder";
        return;
    }
    out_.open(partial_, std::ios::binary | std::ios::trunc);
    if (!out_) {
        failure_ = std::strerror(errno);
    }
}

WholeFileWriter::~WholeFileWriter() {
    if (!done_ && out_.is_open()) {
        out_.close();
        std::error_code ignored;
        fs::remove(partial_, ignored);
    }
}

void WholeFileWriter::Write(std::string_view bytes) {
    if (failure_) {
        return;
    }
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out_) {
        failure_ = std::strerror(errno);
    }
}

std::optional<std::string> WholeFileWriter::Commit() {
    done_ = true;
    std::error_code error;
    if (failure_) {
        if (out_.is_open()) {
            out_.close();
            fs::remove(partial_, error);
        }
        return failure_;
    }
    out_.close();
    if (!out_) {
        const std::string why = std::strerror(errno);
        fs::remove(partial_, error);
        return why;
    }
    fs::rename(partial_, file_, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial_, ignored);
        return error.message();
    }
    return std::nullopt;
}

std::optional<std::string> WriteFileWhole(const fs::path& file, std::string_view bytes) {
    WholeFileWriter writer(file);
    writer.Write(bytes);
    return writer.Commit();
}

}  // namespace rakor

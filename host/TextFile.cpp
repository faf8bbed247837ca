#include "host/TextFile.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "host/InputFile.h"

namespace rakor {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What the Windows C runtime's text mode makes of `size` bytes, in place (a
// copy would double what reading a large text costs at its peak): returns
// how many bytes are left. A byte-order mark is dropped only at the start of
// the file; the caller stops at a 0x1A byte, which ends the text.
std::size_t NormaliseInPlace(char* bytes, std::size_t size, bool fileStart) {
    std::size_t from = fileStart && std::string_view(bytes, size).starts_with(kByteOrderMark)
                           ? kByteOrderMark.size()
                           : 0;
    std::size_t to = 0;
    while (from < size) {
        const void* const found = std::memchr(bytes + from, '\r', size - from);
        const std::size_t cr =
            found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes)
                             : size;
        if (to != from) {
            std::memmove(bytes + to, bytes + from, cr - from);
        }
        to += cr - from;
        from = cr;
        if (from == size) {
            break;
        }
        // A carriage return before a line feed goes; any other stays.
        if (from + 1 == size || bytes[from + 1] != '\n') {
            bytes[to++] = '\r';
        }
        ++from;
    }
    return to;
}

// Up to the first 0x1A byte, which ends the text.
std::size_t TextEnd(std::string_view bytes) {
    return std::min(bytes.find('\x1A'), bytes.size());
}

void NormaliseInPlace(std::string& text) {
    text.resize(NormaliseInPlace(text.data(), TextEnd(text), /*fileStart=*/true));
}

bool Failed(const InputFile& file, std::string* problem) {
    if (problem != nullptr) {
        *problem = file.Problem();
    }
    return false;
}

}  // namespace

std::string NormaliseTextBytes(std::string_view bytes) {
    std::string text(bytes);
    NormaliseInPlace(text);
    return text;
}

bool ReadTextFileInPieces(const std::filesystem::path& path,
                          const std::function<void(std::string_view lines)>& take,
                          std::string* problem) {
    InputFile file(path);
    constexpr std::size_t kBlock = 256 * 1024;
    // The bytes read and not yet handed over: the rest of a line, then a block.
    std::string bytes;
    bool fileStart = true;  // nothing of the file normalised yet
    for (;;) {
        const std::size_t carried = bytes.size();
        bytes.resize(carried + kBlock);
        const std::size_t got = file.Read(bytes.data() + carried, kBlock);
        bytes.resize(carried + got);
        if (!file.Problem().empty()) {
            return Failed(file, problem);
        }
        const std::size_t end = TextEnd(bytes);
        const bool last = got == 0 || end != bytes.size();
        // Whole lines only, so that a carriage return at the end of a piece
        // meets its line feed, and normalising never sees a byte twice.
        const std::size_t feed = std::string_view(bytes.data(), end).rfind('\n');
        const std::size_t whole = last ? end : feed == std::string_view::npos ? 0 : feed + 1;
        const std::size_t kept = NormaliseInPlace(bytes.data(), whole, fileStart);
        fileStart = fileStart && whole == 0;
        if (kept != 0) {
            take(std::string_view(bytes.data(), kept));
        }
        if (last) {
            return true;
        }
        bytes.erase(0, whole);
    }
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path, std::string* problem) {
    InputFile file(path);
    if (!file.Problem().empty()) {
        Failed(file, problem);
        return std::nullopt;
    }
    // Read whole into room for the size the file has now, so that the text is
    // not copied as it grows; a file that grows meanwhile is read on.
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    std::string bytes;
    bytes.reserve(sizeError ? 0 : static_cast<std::size_t>(size) + 1);
    for (;;) {
        if (bytes.size() == bytes.capacity()) {
            bytes.reserve(std::max<std::size_t>(bytes.capacity() * 2, 4096));
        }
        const std::size_t used = bytes.size();
        bytes.resize(bytes.capacity());
        const std::size_t got = file.Read(bytes.data() + used, bytes.size() - used);
        bytes.resize(used + got);
        if (got == 0) {
            break;
        }
    }
    if (!file.Problem().empty()) {
        Failed(file, problem);
        return std::nullopt;
    }
    NormaliseInPlace(bytes);
    return bytes;
}

}  // namespace rakor

#include <windows.h>

#include <fmt/format.h>

#include "host/InputFile.h"
#include "host/Utf8.h"

namespace rakor {
namespace {

// The system's own words for what has none of ours, in UTF-8 (its message
// table is in the user's language).
std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring_view words(text, text != nullptr ? length : 0);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' ||
                              words.back() == L'.' || words.back() == L' ')) {
        words.remove_suffix(1);
    }
    std::string utf8 = Utf8::FromUtf16(words);
    LocalFree(text);
    return utf8;
}

std::string Why(DWORD error, const std::filesystem::path& path) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "another program has it open and lets no other program read it (an editor, a "
                   "sync tool or a virus scanner, say): close it there, or wait for that program, "
                   "and start the game again";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ReadProblem::kGone;
        case ERROR_ACCESS_DENIED: {
            // Windows says no more than this of a folder opened as a file.
            const DWORD attributes = GetFileAttributesW(path.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES &&
                           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                       ? ReadProblem::kFolder
                       : ReadProblem::kDenied;
        }
        default:
            return fmt::format("Windows error {}: {}", error, SystemText(error));
    }
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem_ = Why(GetLastError(), path);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

InputFile::~InputFile() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

std::size_t InputFile::Read(char* into, std::size_t size) {
    if (handle_ == -1 || !problem_.empty()) {
        return 0;
    }
    // ReadFile takes at most 4 GB at once; the callers ask for far less.
    DWORD read = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), into, static_cast<DWORD>(size), &read,
                  nullptr)) {
        problem_ = Why(GetLastError(), {});
        return 0;
    }
    return read;
}

}  // namespace rakor

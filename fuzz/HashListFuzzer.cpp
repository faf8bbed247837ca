// Feeds arbitrary bytes to the resolver as its hash list file
// (Qzr/VLTHashes.txt in a folder of its own): long lines, CR without LF,
// 0x1A, NUL bytes, a byte-order mark, no final line end. The file is read as
// the game's C runtime reads text, every line is a name, and the resolver
// must give each line back for its hash, the last of several lines with one
// hash winning; a hash that no line gave stays unresolved. The expected
// lines come from a model of the text-mode rules written here, independently
// of the library's reader.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hash/HashResolver.h"
#include "sandbox/NameHash.h"

namespace {

namespace fs = std::filesystem;
using rakor::Attrib::HashResolver;

// What the game's text mode makes of the bytes, line by line: a leading
// UTF-8 byte-order mark is dropped, 0x1A ends the text, CR LF is one line
// end, a lone CR is an ordinary byte, and a last line without LF counts.
std::vector<std::string> ModelLines(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        if (bytes[i] == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line.push_back(bytes[i]);
            open = true;
        }
    }
    if (open) {
        lines.push_back(line);
    }
    return lines;
}

std::string Unresolved(uint32_t hash) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(hash));
    return HashResolver::kUnresolvedPrefix + std::string(text);
}

// The resolver reads the list relative to the current folder, as the game
// does; the fuzzer's own paths stay valid by going back after each read.
class ListFolder {
public:
    ListFolder() {
        // In memory where the system has a folder for that: a file written to
        // disk for every input would cost more than everything else together.
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "vexa-hashlist-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        folder_ = pattern;
        fs::create_directories(folder_ / "Qzr");
    }
    ~ListFolder() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void Write(std::string_view bytes) const {
        std::ofstream(folder_ / HashResolver::kHashListPath, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::string ResolveInside(uint32_t hash) const {
        const fs::path back = fs::current_path();
        fs::current_path(folder_);
        std::string name = HashResolver::Resolve(hash);
        fs::current_path(back);
        return name;
    }

private:
    fs::path folder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const ListFolder folder;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    folder.Write(bytes);
    HashResolver::ResetForTesting();
    rakor::Sandbox::ForgetNames();

    // The host hashes a line as a C string: up to its first NUL byte.
    std::map<uint32_t, std::string> expected;
    for (const std::string& line : ModelLines(bytes)) {
        expected[rakor::Sandbox::Crc32(line.c_str())] = line;
    }
    // The first resolve reads the list; the hash of the input as a whole is
    // one that no line gave, but for a collision.
    const uint32_t other = rakor::Sandbox::Crc32(bytes) ^ 0x5A5A5A5Au;
    const std::string otherName = folder.ResolveInside(other);
    if (!expected.contains(other) && otherName != Unresolved(other)) {
        std::fprintf(stderr, "a hash no line gave resolves to '%s'\n", otherName.c_str());
        std::abort();
    }
    for (const auto& [hash, line] : expected) {
        const std::string name = HashResolver::Resolve(hash);
        if (name != (line.empty() ? Unresolved(hash) : line)) {
            std::fprintf(stderr, "line '%s' resolves as '%s'\n", line.c_str(), name.c_str());
            std::abort();
        }
    }
    return 0;
}

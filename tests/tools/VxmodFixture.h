#pragma once

// Runs the built vxmod program in a fresh folder and reads what it leaves
// there: its output, exit status, log and dumps.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TempDirectory.h"

namespace vexa::test {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// vxmod run's own log, beside where the game's would be.
constexpr const char* kLogName = "vxmod.log";

// The sandbox host's string hash (CRC-32), to write keys as "0x" names.
inline uint32_t HostHash(std::string_view text) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : text) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class VxmodFixture : public ::testing::Test {
protected:
    // Runs vxmod with `arguments` (shell words) in the work folder.
    Result Vxmod(const std::string& arguments) const {
        const fs::path out = captures_.Path() / "out";
        const fs::path err = captures_.Path() / "err";
        return Shell("'" VXMOD_PATH "' " + arguments + " >'" + out.string() + "' 2>'" +
                     err.string() + "'");
    }

    // The same with both streams in one, as a terminal shows them.
    Result VxmodMerged(const std::string& arguments) const {
        return Shell("'" VXMOD_PATH "' " + arguments + " >'" + (captures_.Path() / "out").string() +
                     "' 2>&1");
    }

    Result Shell(const std::string& command) const {
        const fs::path out = captures_.Path() / "out";
        const fs::path err = captures_.Path() / "err";
        fs::remove(out);
        fs::remove(err);
        // Under the sanitizers, LeakSanitizer would add its count of the
        // host's own blocks (suppressed, not leaks) to what vxmod printed.
        const int raw = std::system(
            ("export LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0\"; cd '" +
             work_.Path().string() + "' && " + command)
                .c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }

    void Write(const fs::path& relative, std::string_view text) const {
        work_.Write(relative, text);
    }

    // Runs vxmod (streams merged) in a work folder that holds only the
    // example database and `files` (each a path in the folder and its text).
    Result VxmodInFreshFolder(const std::vector<std::pair<std::string, std::string>>& files,
                              const std::string& arguments) const {
        for (const auto& entry : fs::directory_iterator(work_.Path())) {
            fs::remove_all(entry.path());
        }
        fs::copy(fs::path(VEXA_SOURCE_DIR) / "examples/database.json",
                 work_.Path() / "database.json");
        for (const auto& [path, text] : files) {
            Write(path, text);
        }
        return VxmodMerged(arguments);
    }

    // The messages of the log, without spdlog's time stamp and logger name:
    // "[warning] ..." and "[info] ...".
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : Lines(ReadFile(work_.Path() / kLogName))) {
            const std::string logger = "[VexaAttribLoader.Tormelin] ";
            const std::size_t at = line.find(logger);
            messages.push_back(at == std::string::npos ? line : line.substr(at + logger.size()));
        }
        return messages;
    }

    bool LogExists() const { return fs::exists(work_.Path() / kLogName); }

    Json ReadDump(const std::string& name) const {
        return Json::parse(ReadFile(work_.Path() / name));
    }

    vexa::test::TempDirectory work_;
    vexa::test::TempDirectory captures_;
};

}  // namespace vexa::test

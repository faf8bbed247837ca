// Writes a generated workload into a folder, for the whole-process benchmark:
//
//     make_workload DIR LINES [HASH_NAMES]
//
// DIR/database.json (the described database), DIR/AttribMods/pack.vxmod (a
// script of LINES lines) and, with HASH_NAMES, DIR/Qzr/VLTHashes.txt.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "Workload.h"

namespace {

bool ReadCount(std::string_view text, int& count) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 0;
}

bool Write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "make_workload: cannot write " << path << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int lines = 0;
    int hashNames = 0;
    if (argc < 3 || argc > 4 || !ReadCount(argv[2], lines) ||
        (argc == 4 && !ReadCount(argv[3], hashNames))) {
        std::cerr << "usage: make_workload DIR LINES [HASH_NAMES]\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const vexa::bench::DatabaseNames names = vexa::bench::MakeDatabaseNames();
    if (!Write(folder / "database.json", vexa::bench::MakeDatabaseJson(names)) ||
        !Write(folder / "AttribMods" / "pack.vxmod", vexa::bench::MakeScript(names, lines))) {
        return 1;
    }
    if (argc == 4 &&
        !Write(folder / "Qzr" / "VLTHashes.txt", vexa::bench::MakeHashList(hashNames))) {
        return 1;
    }
    return 0;
}

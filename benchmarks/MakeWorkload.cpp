// Writes a generated workload into a folder, for the whole-process benchmark:
//
//     make_workload DIR LINES [--failing PER_THOUSAND] [--scripts N] [--hash-names N]
//
// DIR/database.json (the described database), DIR/AttribMods/pack.vxmod (a
// script of LINES lines, PER_THOUSAND of each thousand failing; with
// --scripts, N scripts pack-1.vxmod ... of LINES/N lines each, written
// independently, so that they set many of the same values differently, as
// mods for the same cars do) and, with --hash-names, DIR/Qzr/VLTHashes.txt.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "Workload.h"

namespace {

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
    CLI::App app("Writes a generated database, mod pack and hash list into DIR.", "make_workload");
    std::filesystem::path folder;
    int lines = 0;
    int failing = 0;
    int hashNames = 0;
    int scripts = 0;
    app.add_option("DIR", folder, "where to write them")->required();
    app.add_option("LINES", lines, "lines of the pack")->required()->check(CLI::NonNegativeNumber);
    app.add_option("--failing", failing, "lines of each thousand that fail")
        ->check(CLI::Range(0, 1000));
    app.add_option("--scripts", scripts, "scripts to spread the lines over")
        ->check(CLI::Range(1, 1000));
    app.add_option("--hash-names", hashNames, "names in a hash list (none: no list)")
        ->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);

    const vexa::bench::DatabaseNames names = vexa::bench::MakeDatabaseNames();
    if (!Write(folder / "database.json", vexa::bench::MakeDatabaseJson(names))) {
        return 1;
    }
    if (scripts == 0) {
        if (!Write(folder / "AttribMods" / "pack.vxmod",
                   vexa::bench::MakeScript(names, lines, failing))) {
            return 1;
        }
    }
    for (int i = 1; i <= scripts; ++i) {
        const auto seed = static_cast<unsigned>(100 + i);
        if (!Write(folder / "AttribMods" / ("pack-" + std::to_string(i) + ".vxmod"),
                   vexa::bench::MakeScript(names, lines / scripts, failing, seed))) {
            return 1;
        }
    }
    if (hashNames > 0 &&
        !Write(folder / "Qzr" / "VLTHashes.txt", vexa::bench::MakeHashList(hashNames))) {
        return 1;
    }
    return 0;
}

// The loader as the game runs it, at a pack's scale: the library's script
// runner over the folder AttribMods of the current folder, against the
// database described in database.json. The same code vxmod run drives, but
// without the review vxmod adds to every line for modders (its notes,
// warnings and conflicts), which the game does not have.
//
//     run_pack [DATABASE]
#include <cstdio>
#include <exception>

#include "loader/LoaderLog.h"
#include "loader/ScriptRunner.h"
#include "sandbox/Database.h"
#include "sandbox/DatabaseDescription.h"

int main(int argc, char** argv) {
    rakor::Sandbox::Database database;
    try {
        rakor::Sandbox::LoadDescription(
            database, rakor::Sandbox::ReadDescriptionFile(argc > 1 ? argv[1] : "database.json"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "run_pack: %s\n", error.what());
        return 2;
    }
    rakor::ScriptRunner runner(
        rakor::CreateLoaderLog(std::string("./") + rakor::kLogFileName).logger,
        [](const std::string& caption, const std::string&) {
            std::fprintf(stderr, "[%s]\n", caption.c_str());
        });
    const rakor::RunSummary summary = runner.LoadScriptDirectory(rakor::kScriptDirectory);
    std::printf("%d scripts: %d lines succeeded, %d failed\n", summary.scripts, summary.succeeded,
                summary.failed);
    return summary.failed > 0 ? 1 : 0;
}

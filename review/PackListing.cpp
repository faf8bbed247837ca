#include "review/PackListing.h"

#include <memory>

#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include "loader/ScriptRunner.h"
#include "review/WindowsOrder.h"

namespace vxmod {
namespace fs = std::filesystem;

namespace {

// Takes each script's text as the walk reads it, and runs none of its lines.
class Lister : public rakor::WalkObserver {
public:
    explicit Lister(const fs::path& folder) : folder_(folder) {}

    void OrderEntries(std::vector<fs::directory_entry>& entries) override {
        SortAsWindowsLists(entries);
    }
    bool ScriptStarting(const rakor::ScriptInfo& script) override {
        std::error_code error;
        const bool folder = fs::is_directory(script.path, error);
        scripts.push_back(
            {script.path, DisplayPathIn(folder_, script.path),
             script.readable && !folder ? std::optional<std::string>(script.text) : std::nullopt});
        return false;
    }

    std::vector<ListedScript> scripts;

private:
    fs::path folder_;
};

}  // namespace

std::string DisplayPathIn(const fs::path& scriptFolder, const fs::path& file) {
    const fs::path relative = file.lexically_relative(scriptFolder);
    if (relative.empty() || *relative.begin() == "..") {
        return rakor::ScriptRunner::DisplayPath(file);
    }
    return rakor::ScriptRunner::DisplayPath(scriptFolder.filename() / relative);
}

std::vector<ListedScript> ListPack(const fs::path& scriptFolder) {
    Lister lister(scriptFolder);
    // The walk's own problems (a folder it cannot list) go nowhere: the
    // scripts it finds are what counts here.
    auto log = std::make_shared<spdlog::logger>(rakor::kLoggerName,
                                                std::make_shared<spdlog::sinks::null_sink_st>());
    rakor::ScriptRunner runner(log, nullptr, &lister);
    runner.LoadScriptDirectory(scriptFolder);
    return std::move(lister.scripts);
}

}  // namespace vxmod

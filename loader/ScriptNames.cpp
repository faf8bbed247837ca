#include "loader/ScriptNames.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <unordered_set>

#include <spdlog/sinks/null_sink.h>

#include "hash/Hashes.h"
#include "loader/ScriptRunner.h"

namespace rakor {
namespace {

// No name of the game comes near this; a longer word is a text, and making
// a key of a 10 MB value would copy it into the resolver's table for nothing.
constexpr std::size_t kLongestName = 1024;

class NameCollector : public WalkObserver {
public:
    void LineParsed(const Attrib::Automation::ParsedLine& line) override {
        if (line.command == nullptr) {
            return;
        }
        const std::size_t words =
            std::min(line.tokens.count, Attrib::Automation::LineTokens::kMostRead);
        for (std::size_t i = 1; i < words; ++i) {
            const std::string_view word = line.tokens[i];
            if (word.size() > kLongestName) {
                continue;
            }
            names_.texts64.try_emplace(Attrib::Hash64(word).GetValue(), word);
            try {
                const uint32_t key = Attrib::Hash32(word).GetValue();
                if (seen_.insert(key).second) {
                    names_.keys.push_back(key);
                }
            } catch (const std::invalid_argument&) {
                // "0x" and no hexadecimal key: the line fails in the pass too.
            } catch (const std::out_of_range&) {
            }
        }
    }
    // Parsed, never run.
    bool ScriptStarting(const ScriptInfo& /*script*/) override { return false; }

    ScriptNames Names() && { return std::move(names_); }

private:
    ScriptNames names_;
    std::unordered_set<uint32_t> seen_;
};

}  // namespace

ScriptNames NamesTheScriptsUse(const std::filesystem::path& directory) {
    NameCollector collector;
    // What the walk meets (a folder it cannot list, a link back up) the pass
    // itself logs right after: said once, not twice.
    auto quiet =
        std::make_shared<spdlog::logger>("walk", std::make_shared<spdlog::sinks::null_sink_st>());
    ScriptRunner(quiet, WarningNotifier(), &collector).LoadScriptDirectory(directory);
    return std::move(collector).Names();
}

}  // namespace rakor

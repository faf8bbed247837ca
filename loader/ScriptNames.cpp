#include "loader/ScriptNames.h"

#include <algorithm>
#include <exception>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

#include "automation/CommandParser.h"
#include "automation/TokenScan.h"
#include "hash/Hashes.h"
#include "host/TextFile.h"
#include "loader/FolderIdentity.h"
#include "loader/ScriptRunner.h"

namespace rakor {
namespace {

namespace fs = std::filesystem;

// No name of the game comes near this; a longer word is a text, and making
// a key of a 10 MB value would only cost time.
constexpr std::size_t kLongestName = 1024;

class NameCollector {
public:
    // As the runner walks: depth-first in listing order, past disabled names
    // and folders reached again through a link. What it cannot list or read,
    // the pass itself logs right after.
    void Walk(const fs::path& directory) {
        std::error_code error;
        if (!fs::exists(directory, error) || ScriptRunner::IsDisabled(directory)) {
            return;
        }
        const std::optional<FolderIdentity> identity = IdentifyFolder(directory);
        if (identity && !walked_.insert(*identity).second) {
            return;
        }
        fs::directory_iterator entries(directory, error);
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            try {
                Visit(*entries);
            } catch (const std::exception&) {
                // One entry that cannot be handled ends neither the walk nor the pass.
            }
        }
    }

    ScriptNames Names() && { return std::move(names_); }

private:
    void Visit(const fs::directory_entry& entry) {
        std::error_code error;
        if (entry.is_directory(error)) {
            Walk(entry.path());
        }
        if (!ScriptRunner::IsScriptName(entry.path())) {
            return;
        }
        const std::optional<std::string> text = ReadTextFile(entry.path());
        if (!text) {
            return;
        }
        Attrib::Automation::ForEachLineTokens(
            *text, [&](const Attrib::Automation::LineTokens& tokens) {
                if (tokens.count == 0 || Attrib::Automation::FindCommand(tokens[0]) == nullptr) {
                    return;
                }
                const std::size_t words =
                    std::min(tokens.count, Attrib::Automation::LineTokens::kMostRead);
                for (std::size_t i = 1; i < words; ++i) {
                    // After class, collection and field come values and counts.
                    if (i >= 4 && IsNumber(tokens[i])) {
                        continue;
                    }
                    Word(tokens[i]);
                    // "Gears[3]" names the field Gears.
                    if (const std::size_t open = tokens[i].find('[');
                        open != 0 && open != std::string_view::npos) {
                        Word(tokens[i].substr(0, open));
                    }
                }
            });
    }

    // "12", "-0.5", ".5", "+3": what a value of a number field reads.
    static bool IsNumber(std::string_view word) {
        std::size_t at = word.starts_with('-') || word.starts_with('+') ? 1 : 0;
        if (at < word.size() && word[at] == '.') {
            ++at;
        }
        return at < word.size() && word[at] >= '0' && word[at] <= '9' && !word.starts_with("0x");
    }

    void Word(std::string_view read) {
        if (read.size() > kLongestName || seen_.contains(read)) {
            return;
        }
        // Kept once, where the names and hashes below point.
        auto* kept = static_cast<char*>(names_.words->Allocate(read.size(), 1));
        std::copy(read.begin(), read.end(), kept);
        const std::string_view word(kept, read.size());
        seen_.insert(word);
        names_.texts64.try_emplace(Attrib::Hash64(word).GetValue(), word);
        // The game hashes a name as a C string: up to its first NUL byte.
        const std::string name(word.substr(0, word.find('\0')));
        uint32_t key = 0;
        try {
            // Made without recording the name: the resolver is the pass's.
            key = Attrib::StringHasher::HashText(name);
        } catch (const std::invalid_argument&) {
            return;  // "0x" and no hexadecimal key: the line fails in the pass too
        } catch (const std::out_of_range&) {
            return;
        }
        if (!name.starts_with("0x")) {
            names_.names.try_emplace(key, word.substr(0, name.size()));
        }
        if (keys_.insert(key).second) {
            names_.keys.push_back(key);
        }
    }

    ScriptNames names_;
    std::unordered_set<std::string_view> seen_;
    std::unordered_set<uint32_t> keys_;
    std::set<FolderIdentity> walked_;
};

}  // namespace

ScriptNames NamesTheScriptsUse(const std::filesystem::path& directory) {
    NameCollector collector;
    try {
        collector.Walk(directory);
    } catch (const std::exception&) {
        // What the walk met, the pass logs right after; the names found stand.
    }
    return std::move(collector).Names();
}

}  // namespace rakor

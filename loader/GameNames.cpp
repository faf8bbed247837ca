#include "loader/GameNames.h"

#include <algorithm>
#include <unordered_set>

#include "description/ValueForms.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "host/TextFile.h"

namespace rakor {

GameNames::GameNames(ScriptNames scripts, std::optional<std::string> list)
    : scripts_(std::move(scripts)), list_(list.value_or(std::string())) {
    std::unordered_set<uint32_t> keys;
    for (std::size_t start = 0; start < list_.size();) {
        const std::size_t end = std::min(list_.find('\n', start), list_.size());
        lines_.emplace_back(list_.data() + start, end - start);
        // The line as the game hashes it, a C string: the line feed (which
        // a last line may lack) is its end for the hash, and so is a NUL
        // byte in it, where the name stops too.
        const char saved = end < list_.size() ? list_[end] : '\0';
        if (end < list_.size()) {
            list_[end] = '\0';
        }
        const std::string_view name(list_.data() + start);
        if (!name.empty()) {
            const uint32_t key = Host::HashString32(name.data());
            listed_.insert_or_assign(key, name);
            if (keys.insert(key).second) {
                listedKeys_.push_back(key);
            }
        }
        if (end < list_.size()) {
            list_[end] = saved;
        }
        start = end + 1;
    }
}

std::optional<std::string> GameNames::ReadHashList() {
    return ReadTextFile(Attrib::HashResolver::kHashListPath);
}

std::string GameNames::Key(uint32_t key) const {
    if (const auto word = scripts_.names.find(key); word != scripts_.names.end()) {
        std::string text = Description::KeyText(key, word->second);
        if (!text.starts_with("0x")) {
            return text;
        }
    }
    const auto line = listed_.find(key);
    return Description::KeyText(
        key, line == listed_.end() ? std::nullopt : std::optional<std::string_view>(line->second));
}

// The library keeps no 64-bit hash's text: the scripts' words give it, or
// else a line of the hash list.
std::string GameNames::Hash64(uint64_t hash) {
    if (const auto word = scripts_.texts64.find(hash); word != scripts_.texts64.end()) {
        return Description::Hash64Text(hash, word->second);
    }
    if (!listed64_) {
        listed64_.emplace();
        for (const std::string_view line : lines_) {
            listed64_->try_emplace(Attrib::Hash64(line).GetValue(), line);
        }
    }
    const auto line = listed64_->find(hash);
    return Description::Hash64Text(
        hash, line == listed64_->end() ? std::nullopt : std::optional(line->second));
}

}  // namespace rakor

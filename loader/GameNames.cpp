#include "loader/GameNames.h"

#include <algorithm>

#include "description/ValueForms.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "host/TextFile.h"

namespace rakor {

GameNames::GameNames(ScriptNames scripts, std::optional<std::string> list)
    : scripts_(std::move(scripts)), list_(list.value_or(std::string())) {
    for (std::size_t start = 0; start < list_.size();) {
        const std::size_t end = std::min(list_.find('\n', start), list_.size());
        // The line as the game hashes it, a C string: the line feed (which
        // a last line may lack) is its end for the hash, and so is a NUL
        // byte in it, where the name stops too.
        const char saved = end < list_.size() ? list_[end] : '\0';
        if (end < list_.size()) {
            list_[end] = '\0';
        }
        const std::string_view name(list_.data() + start);
        if (!name.empty()) {
            listed_.push_back({Host::HashString32(name.data()), static_cast<uint32_t>(start),
                               static_cast<uint32_t>(name.size()), Writable(name) ? 1u : 0u});
        }
        if (end < list_.size()) {
            list_[end] = saved;
        }
        start = end + 1;
    }
    // A later line with the same key takes the key over: the last one stays.
    std::stable_sort(listed_.begin(), listed_.end(),
                     [](const auto& a, const auto& b) { return a.hash < b.hash; });
    std::vector<Line<uint32_t>> last;
    last.reserve(listed_.size());
    for (std::size_t i = 0; i < listed_.size(); ++i) {
        if (i + 1 == listed_.size() || listed_[i + 1].hash != listed_[i].hash) {
            last.push_back(listed_[i]);
            listedKeys_.push_back(listed_[i].hash);
        }
    }
    listed_ = std::move(last);
    std::size_t capacity = 16;
    while (capacity < 2 * listed_.size()) {
        capacity *= 2;
    }
    slots_.assign(capacity, 0);
    for (std::size_t i = 0; i < listed_.size(); ++i) {
        std::size_t at = (listed_[i].hash * 2654435761u) & (capacity - 1);
        while (slots_[at] != 0) {
            at = (at + 1) & (capacity - 1);
        }
        slots_[at] = static_cast<uint32_t>(i + 1);
    }
    // Words a description cannot write as names ("0x...", not UTF-8) name nothing here.
    std::erase_if(scripts_.names, [](const auto& word) { return !Writable(word.second); });
}

bool GameNames::Writable(std::string_view name) {
    return !Description::KeyText(0, name).starts_with("0x");
}

std::optional<std::string> GameNames::ReadHashList() {
    return ReadTextFile(Attrib::HashResolver::kHashListPath);
}

template <typename Hash>
std::optional<std::string_view> GameNames::Find(const std::vector<Line<Hash>>& lines, Hash hash,
                                                std::string_view list) {
    const auto found =
        std::lower_bound(lines.begin(), lines.end(), hash,
                         [](const Line<Hash>& line, Hash wanted) { return line.hash < wanted; });
    if (found == lines.end() || found->hash != hash || !found->writable) {
        return std::nullopt;
    }
    return list.substr(found->start, found->length);
}

std::optional<std::string_view> GameNames::FindListed(uint32_t key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = (key * 2654435761u) & mask; slots_[at] != 0; at = (at + 1) & mask) {
        const Line<uint32_t>& line = listed_[slots_[at] - 1];
        if (line.hash == key) {
            return line.writable
                       ? std::optional(std::string_view(list_).substr(line.start, line.length))
                       : std::nullopt;
        }
    }
    return std::nullopt;
}

std::string_view GameNames::KeyView(uint32_t key) const {
    if (const auto word = scripts_.names.find(key); word != scripts_.names.end()) {
        return word->second;
    }
    if (const auto line = FindListed(key)) {
        return *line;
    }
    digits_ = Description::KeyText(key, std::nullopt);
    return digits_;
}

// The library keeps no 64-bit hash's text: the scripts' words give it, or
// else a line of the hash list.
std::string_view GameNames::Hash64View(uint64_t hash) {
    if (const auto word = scripts_.texts64.find(hash);
        word != scripts_.texts64.end() && Writable(word->second)) {
        return word->second;
    }
    if (!listed64_) {
        listed64_.emplace();
        for (std::size_t start = 0; start < list_.size();) {
            const std::size_t end = std::min(list_.find('\n', start), list_.size());
            const std::string_view line(list_.data() + start, end - start);
            listed64_->push_back({Attrib::Hash64(line).GetValue(), static_cast<uint32_t>(start),
                                  static_cast<uint32_t>(line.size()), Writable(line) ? 1u : 0u});
            start = end + 1;
        }
        // The first line of a hash names it.
        std::stable_sort(listed64_->begin(), listed64_->end(),
                         [](const auto& a, const auto& b) { return a.hash < b.hash; });
    }
    if (const auto line = Find(*listed64_, hash, list_)) {
        return *line;
    }
    digits_ = Description::Hash64Text(hash, std::nullopt);
    return digits_;
}

}  // namespace rakor

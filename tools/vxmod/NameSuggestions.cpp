#include "NameSuggestions.h"

#include <algorithm>

#include <fmt/format.h>

#include "NameParts.h"
#include "sandbox/NameHash.h"
#include "sandbox/Spelling.h"

namespace vxmod {

void NameList::Name() {
    for (const uint32_t key : keys_) {
        const auto name = rakor::Sandbox::NameOf(key);
        if (!name) {
            unnamed_.push_back(key);
        } else if (!name->starts_with("0x") && listed_.insert(*name).second) {
            names_.push_back(*name);
            letterSets_.push_back(rakor::Sandbox::LetterSet(*name));
        }
    }
    keys_.clear();
}

const std::vector<std::string>& NameList::Names() {
    Name();
    return names_;
}

bool NameList::Outdated() const {
    return std::any_of(unnamed_.begin(), unnamed_.end(),
                       [](uint32_t key) { return rakor::Sandbox::NameOf(key).has_value(); });
}

bool NameList::Contains(std::string_view name) {
    Name();
    return listed_.contains(std::string(name));
}

std::vector<std::string> NameList::Meant(std::string_view word) {
    Name();
    // As MeantNames chooses: none when the word is a name; else of the names
    // within the allowed slips, the first of those with the fewest; else the
    // few names that the word is a part of.
    Asked& asked = asked_[std::string(word)];
    if (!asked.known && asked.looked < names_.size()) {
        rakor::Sandbox::SpellingSlips slips(word);
        for (; asked.looked < names_.size() && !asked.known; ++asked.looked) {
            const std::string& name = names_[asked.looked];
            if (name == word) {
                asked.known = true;
                break;
            }
            if (asked.parts.size() <= kMostPartMatches && IsPartOf(word, name)) {
                asked.parts.push_back(asked.looked);
            }
            const std::size_t fewest =
                asked.best ? asked.bestSlips : rakor::Sandbox::AllowedSlips(word.size()) + 1;
            if (fewest == 0) {
                continue;  // only the word itself could do better
            }
            if (const std::size_t count = slips.To(name, letterSets_[asked.looked], fewest - 1);
                count < fewest) {
                asked.best = asked.looked;
                asked.bestSlips = count;
            }
        }
    }
    if (asked.known) {
        return {};
    }
    if (asked.best) {
        return {names_[*asked.best]};
    }
    std::vector<std::string> meant;
    if (asked.parts.size() <= kMostPartMatches) {
        for (const std::size_t part : asked.parts) {
            meant.push_back(names_[part]);
        }
    }
    return meant;
}

std::string NameList::Suggestion(std::string_view word, std::string_view what) {
    if (const std::vector<std::string> meant = Meant(word); !meant.empty()) {
        return DidYouMean(meant);
    }
    if (!names_.empty() && names_.size() <= 8) {
        std::vector<std::string> quoted;
        for (const std::string& name : names_) {
            quoted.push_back(fmt::format("'{}'", name));
        }
        return fmt::format("; the {} are {}", what, fmt::join(quoted, ", "));
    }
    return {};
}

}  // namespace vxmod

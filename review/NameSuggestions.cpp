#include "review/NameSuggestions.h"

#include <algorithm>

#include <fmt/format.h>

#include "review/NameParts.h"
#include "sandbox/NameHash.h"
#include "sandbox/Spelling.h"

namespace vxmod {

void NameList::Name() {
    for (const uint32_t key : keys_) {
        auto name = rakor::Sandbox::NameOf(key);
        if (!name) {
            unnamed_.push_back(key);
        } else if (!name->starts_with("0x")) {
            index_->Add(*std::move(name));
        }
    }
    keys_.clear();
}

const std::vector<std::string>& NameList::Names() {
    Name();
    return index_->Names();
}

bool NameList::Outdated() const {
    return std::any_of(unnamed_.begin(), unnamed_.end(),
                       [](uint32_t key) { return rakor::Sandbox::NameOf(key).has_value(); });
}

bool NameList::Contains(std::string_view name) {
    Name();
    return index_->Contains(name);
}

std::vector<std::string> NameList::Meant(std::string_view word) {
    Name();
    // As MeantNames chooses: none when the word is a name; else of the names
    // within the allowed slips, the first of those with the fewest; else the
    // few names that the word is a part of.
    if (index_->Contains(word)) {
        return {};
    }
    const std::vector<std::string>& names = index_->Names();
    Asked& asked = AskedOf(word);
    if (asked.looked < names.size()) {
        asked.closest = index_->ClosestFrom(
            word, asked.looked, rakor::Sandbox::AllowedSlips(word.size()), asked.closest);
        asked.looked = names.size();
    }
    if (asked.closest) {
        return {names[asked.closest->place]};
    }
    std::vector<std::string> meant;
    if (const auto parts = index_->PartOf(word, kMostPartMatches);
        parts.size() <= kMostPartMatches) {
        for (const std::size_t part : parts) {
            meant.push_back(names[part]);
        }
    }
    return meant;
}

NameList::Asked& NameList::AskedOf(std::string_view word) {
    if (const auto known = asked_.find(word); known != asked_.end()) {
        return known->second;
    }
    return asked_.emplace(std::string(word), Asked()).first->second;
}

std::string NameList::Suggestion(std::string_view word, std::string_view what) {
    Name();
    const std::size_t listed = index_->Names().size();
    Asked& asked = AskedOf(word);
    if (asked.saidOf != listed || asked.what != what || listed == 0) {
        asked.said = Said(word, what);
        asked.saidOf = listed;
        asked.what = what;
    }
    return asked.said;
}

std::string NameList::Said(std::string_view word, std::string_view what) {
    if (const std::vector<std::string> meant = Meant(word); !meant.empty()) {
        return DidYouMean(meant);
    }
    const std::vector<std::string>& names = index_->Names();
    if (!names.empty() && names.size() <= 8) {
        std::vector<std::string> quoted;
        for (const std::string& name : names) {
            quoted.push_back(fmt::format("'{}'", name));
        }
        return fmt::format("; the {} are {}", what, fmt::join(quoted, ", "));
    }
    return {};
}

}  // namespace vxmod

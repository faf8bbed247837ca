#include "review/NameParts.h"

#include <algorithm>

#include <fmt/format.h>

#include "sandbox/Spelling.h"

namespace vxmod {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return rakor::Sandbox::LowerAscii(x) == rakor::Sandbox::LowerAscii(y);
    });
}

bool StartOrEnd(std::string_view part, std::string_view name) {
    return part.size() >= kShortestPart && part.size() < name.size() &&
           (SameLetters(part, name.substr(0, part.size())) ||
            SameLetters(part, name.substr(name.size() - part.size())));
}

}  // namespace

bool IsPlural(std::string_view word) {
    return word.size() > kShortestPart && (word.back() == 's' || word.back() == 'S');
}

bool IsPartOf(std::string_view word, std::string_view name) {
    if (StartOrEnd(word, name)) {
        return true;
    }
    return IsPlural(word) && StartOrEnd(word.substr(0, word.size() - 1), name);
}

std::vector<std::string> MeantNames(std::string_view word, std::span<const std::string> names) {
    if (std::find(names.begin(), names.end(), word) != names.end()) {
        return {};
    }
    if (auto closest = rakor::Sandbox::ClosestSpelling(word, names)) {
        return {*std::move(closest)};
    }
    std::vector<std::string> parts;
    for (const std::string& name : names) {
        if (IsPartOf(word, name)) {
            if (parts.size() == kMostPartMatches) {
                return {};
            }
            parts.push_back(name);
        }
    }
    return parts;
}

std::string DidYouMean(std::span<const std::string> meant) {
    if (meant.empty()) {
        return {};
    }
    std::string said = fmt::format("; did you mean '{}'", meant.front());
    for (std::size_t i = 1; i < meant.size(); ++i) {
        said += fmt::format("{}'{}'", i + 1 == meant.size() ? " or " : ", ", meant[i]);
    }
    return said + "?";
}

std::vector<std::string> MeantInMessage(std::string_view message) {
    constexpr std::string_view kAsked = "did you mean '";
    std::vector<std::string> meant;
    const std::size_t asked = message.rfind(kAsked);
    if (asked == std::string_view::npos) {
        return meant;
    }
    std::string_view rest = message.substr(asked + kAsked.size());
    // Names are quoted as they are: a name's own quote is told apart by what
    // follows it, the separators DidYouMean writes.
    for (;;) {
        std::size_t end = std::string_view::npos;
        std::size_t next = 0;
        for (const std::string_view separator : {"'?", "', '", "' or '"}) {
            const std::size_t at = rest.find(separator);
            if (at < end) {
                end = at;
                next = separator == "'?" ? std::string_view::npos : at + separator.size();
            }
        }
        if (end == std::string_view::npos) {
            return {};
        }
        meant.emplace_back(rest.substr(0, end));
        if (next == std::string_view::npos) {
            return meant;
        }
        rest = rest.substr(next);
    }
}

}  // namespace vxmod

#include "review/TypeMembers.h"

#include <algorithm>
#include <functional>
#include <utility>

#include <fmt/format.h>

namespace vxmod {

const std::vector<std::string>& TypeMembers::Of(const rakor::Attrib::IAttribType& type) {
    for (const auto& [known, names] : members_) {
        if (known == &type) {
            return names;
        }
    }
    // A value in storage of its own, whose members are bound into it.
    const auto trial = type.CreateValue();
    std::vector<std::pair<const void*, std::string>> placed;
    for (const auto& [key, values] : trial->GetMembers()) {
        if (!values.empty()) {
            placed.emplace_back(values.front()->GetStorage(), key.ToString());
        }
    }
    std::sort(placed.begin(), placed.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
    std::vector<std::string>& names =
        members_.emplace_back(&type, std::vector<std::string>()).second;
    for (auto& [address, name] : placed) {
        names.push_back(std::move(name));
    }
    return names;
}

std::string MemberList(const std::vector<std::string>& members) {
    return fmt::format("{}", fmt::join(members, ", "));
}

}  // namespace vxmod

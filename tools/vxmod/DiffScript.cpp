#include "DiffScript.h"

#include <algorithm>

#include <fmt/format.h>

#include "automation/LineTokens.h"
#include "sandbox/NameHash.h"

namespace vxmod {

bool IsWord(const std::string& text) {
    return !text.empty() && text[0] != '#' && text != "\"\"" &&
           std::none_of(text.begin(), text.end(), [](char c) {
               return rakor::Attrib::Automation::kIsBlank[static_cast<unsigned char>(c)];
           });
}

std::string NameWord(const std::string& name) {
    if (IsWord(name)) {
        return name;
    }
    return fmt::format("0x{:08X}", rakor::Sandbox::HashName(name));
}

std::string DiffScript::Text(const std::string& before, const std::string& after) const {
    std::string text = fmt::format("# Written by vxmod diff: turns {} into {}.\n", before, after);
    for (const std::string& line : lines_) {
        text += line + '\n';
    }
    if (!cannot_.empty()) {
        text += "\n# What a script cannot do, left out:\n";
        for (const std::string& what : cannot_) {
            text += "#   " + what + '\n';
        }
    }
    return text;
}

}  // namespace vxmod

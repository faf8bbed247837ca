#include "LineReading.h"

#include <exception>
#include <sstream>

#include <fmt/format.h>

#include "automation/FieldSpec.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;

bool LineReading::Is(std::string_view word) const {
    return command != nullptr && command->word == word;
}

std::optional<LineReading> ReadLine(const std::string& line) {
    LineReading reading;
    reading.tokens = automation::Tokenize(line);
    const std::vector<std::string>& t = reading.tokens;
    if (t.empty()) {
        return std::nullopt;
    }
    reading.command = automation::FindCommand(t[0]);
    if (reading.command == nullptr || !reading.command->buildsAction ||
        t.size() - 1 < reading.command->arguments) {
        return std::nullopt;
    }
    reading.className = t[1];
    reading.collection = t[2];
    if (reading.Is("add_node") || reading.Is("copy_node")) {
        reading.newCollection = reading.Is("add_node") ? t[3] : t[4];
        return reading;
    }
    // A count or subscript that the parser refuses leaves the line unread.
    try {
        if (reading.Is("resize_field")) {
            reading.field = t[3];
            reading.count = automation::ReadCount(t[4]);
            return reading;
        }
        const automation::FieldSpec spec = automation::ParseFieldSpec(t[3]);
        reading.field = spec.name;
        reading.index = spec.index;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    reading.hasSubscript = t[3].find('[') != std::string::npos;
    // Five words: the value; any other count: a member, then the value.
    if (t.size() != 5) {
        reading.member = t[4];
    }
    reading.valueToken = t.size() == 5 ? t[4] : t[5];
    reading.value = reading.valueToken == "\"\"" ? std::string() : reading.valueToken;
    return reading;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string SixWordReading(const LineReading& line) {
    std::string reading = fmt::format(
        "with six words the fourth ('{}') is read as a member name and the fifth "
        "('{}') as the value",
        line.member.value_or(""), line.valueToken);
    const bool quoted = line.member.value_or("").find('"') != std::string::npos ||
                        line.valueToken.find('"') != std::string::npos;
    if (quoted) {
        reading += "; quotes do not group words, and a text cannot hold a blank";
    }
    return reading;
}

}  // namespace vxmod

#include "LineReading.h"

#include <exception>

#include <fmt/format.h>

#include "automation/FieldSpec.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;

namespace {

// Most lines of a pack update a field; the command table is searched for
// the others.
const automation::Command* FindCommand(std::string_view word) {
    static const automation::Command* const kUpdate = automation::FindCommand("update_field");
    return word == kUpdate->word ? kUpdate : automation::FindCommand(word);
}

}  // namespace

std::optional<LineReading> ReadLine(std::string_view line) {
    LineReading reading;
    reading.tokens = automation::SplitLine(line);
    const LineWords& t = reading.tokens;
    if (t.count == 0) {
        return std::nullopt;
    }
    reading.command = FindCommand(t[0]);
    if (reading.command == nullptr || !reading.command->buildsAction ||
        t.count - 1 < reading.command->arguments) {
        return std::nullopt;
    }
    const std::string_view word = reading.command->word;
    reading.does = word == "add_node" || word == "copy_node" ? LineReading::Does::MakeCollection
                   : word == "resize_field"                  ? LineReading::Does::Resize
                                                             : LineReading::Does::Update;
    reading.className = t[1];
    reading.collection = t[2];
    if (reading.does == LineReading::Does::MakeCollection) {
        reading.newCollection = word == "add_node" ? t[3] : t[4];
        return reading;
    }
    // A count or subscript that the parser refuses leaves the line unread.
    try {
        if (reading.does == LineReading::Does::Resize) {
            reading.field = t[3];
            reading.count = automation::ReadCount(t[4]);
            return reading;
        }
        const automation::FieldSpecView written = automation::SplitFieldSpec(t[3]);
        reading.field = written.name;
        reading.index = written.index;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    reading.hasSubscript = t[3].find('[') != std::string_view::npos;
    // Five words: the value; any other count: a member, then the value.
    if (t.count != 5) {
        reading.member = t[4];
    }
    reading.valueToken = t.count == 5 ? t[4] : t[5];
    reading.value = reading.valueToken == "\"\"" ? std::string_view() : reading.valueToken;
    return reading;
}

std::string SixWordReading(const LineReading& line) {
    const std::string_view member = line.member.value_or("");
    std::string reading = fmt::format(
        "with six words the fourth ('{}') is read as a member name and the fifth "
        "('{}') as the value",
        member, line.valueToken);
    const bool quoted = member.find('"') != std::string_view::npos ||
                        line.valueToken.find('"') != std::string_view::npos;
    if (quoted) {
        reading += "; quotes do not group words, and a text cannot hold a blank";
    }
    return reading;
}

}  // namespace vxmod

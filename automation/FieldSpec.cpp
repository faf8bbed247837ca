#include "automation/FieldSpec.h"

#include <stdexcept>

#include "typedb/NumberText.h"

namespace rakor::Attrib::Automation {

FieldSpecView SplitFieldSpec(std::string_view token) {
    const std::size_t open = token.find('[');
    if (open == std::string_view::npos) {
        return {.name = token};
    }
    const std::size_t close = token.rfind(']');
    // "Gears[3" and "G]x[4" have no closing bracket after the opening one:
    // the subscript is then everything after "[".
    const std::size_t end =
        (close != std::string_view::npos && close > open) ? close : token.size();
    const std::string_view subscript = token.substr(open + 1, end - open - 1);
    std::size_t used = 0;
    const int32_t index = std::stoi(std::string(subscript), &used);
    return {.name = token.substr(0, open),
            .index = index,
            .subscripted = true,
            .subscript = subscript,
            .subscriptUsed = used,
            .closed = end != token.size(),
            .afterClose = end != token.size() ? token.substr(end + 1) : std::string_view()};
}

FieldSpec ParseFieldSpec(std::string_view token) {
    const FieldSpecView field = SplitFieldSpec(token);
    return {std::string(field.name), field.index};
}

uint32_t ReadCount(std::string_view token) {
    return ReadCountText(token).count;
}

CountReading ReadCountText(std::string_view token) {
    // The extraction skips leading blanks and then takes a sign, so the sign
    // is looked for where the extraction would find it.
    const std::size_t first = token.find_first_not_of(" \t\n\v\f\r");
    if (first != std::string_view::npos && token[first] == '-') {
        throw std::out_of_range("a count cannot be negative");
    }
    // A failed extraction leaves 0, except on overflow, where it leaves the
    // largest count: a too-large count must stay too large (and be refused
    // by the action), never turn into "empty the array".
    const ExtractedNumber<unsigned int> number = ExtractNumber<unsigned int>(token);
    return {number.value, number.used};
}

}  // namespace rakor::Attrib::Automation

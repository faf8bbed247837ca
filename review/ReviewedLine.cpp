#include "review/ReviewedLine.h"

#include <exception>

#include <fmt/format.h>

#include "hash/Hashes.h"
#include "typedb/IAttribType.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;

namespace {

automation::FieldSpecView FieldOf(const automation::LineArguments& arguments) {
    // A line whose subscript the parser refused never ran: it has no field.
    try {
        return automation::SplitFieldSpec(arguments.field);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

ReviewedLine::ReviewedLine(const rakor::LineRun& line)
    : run(line),
      facts(line.facts),
      arguments(line.command != nullptr && line.tokens.count > line.command->arguments
                    ? automation::ArgumentsOf(*line.command, line.tokens)
                    : automation::LineArguments()),
      field(FieldOf(arguments)) {}

const rakor::Attrib::HostTypeRow* ReviewedLine::Row() const {
    return facts.type != nullptr ? &facts.type->Row() : nullptr;
}

std::string ReviewedLine::TypeName() const {
    return KeyName(facts.typeKey);
}

std::string ReviewedLine::Field() const {
    return fmt::format("'{}'->'{}'.'{}'", arguments.className, arguments.collection, field.name);
}

std::string KeyName(uint32_t key) {
    return rakor::Attrib::Hash32(key).ToString();
}

}  // namespace vxmod

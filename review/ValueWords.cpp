#include "review/ValueWords.h"

#include <fmt/format.h>

#include "hash/Hashes.h"
#include "typedb/AttribTypeRegistry.h"

namespace vxmod {

const rakor::Attrib::HostTypeRow* RowOfType(uint32_t typeKey) {
    const rakor::Attrib::IAttribType* type =
        rakor::Attrib::AttribTypeRegistry::Instance().TypeOf(rakor::Attrib::Hash32(typeKey));
    return type != nullptr ? &type->Row() : nullptr;
}

std::string ValueTarget(const ReviewedLine& line) {
    const std::string type = KeyName(line.facts.value.typeKey);
    if (line.arguments.hasMember) {
        return fmt::format("'{}' of '{}' ({})", line.arguments.member, line.field.name, type);
    }
    return fmt::format("'{}' ({})", line.field.name, type);
}

std::string StoredText(rakor::Attrib::ValueReading::Number kind, double number) {
    using Number = rakor::Attrib::ValueReading::Number;
    switch (kind) {
        case Number::Decimal:
            return fmt::format("{}", static_cast<float>(number));
        case Number::Boolean:
            return number != 0 ? "True" : "False";
        case Number::Whole:
        case Number::None:
            break;
    }
    return fmt::format("{}", static_cast<long long>(number));
}

std::string NumberForm(const rakor::Attrib::HostTypeRow& row) {
    if (row.form == rakor::Attrib::ValueForm::Whole) {
        return fmt::format("takes a whole number from {} to {}", row.lowest, row.highest);
    }
    return "takes a decimal number";
}

}  // namespace vxmod

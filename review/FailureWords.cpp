#include "review/FailureWords.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

#include "automation/ResizeField.h"
#include "review/SixWordReading.h"
#include "review/ValueWords.h"
#include "sandbox/Spelling.h"
#include "typedb/IAttribType.h"

namespace vxmod {
namespace {

using rakor::Attrib::ValueForm;
using rakor::Attrib::Automation::Cause;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The field as the line names it, with its type: 'Grip' (AxlePair).
std::string FieldWithType(const ReviewedLine& line) {
    return fmt::format("'{}' ({})", line.field.name, line.TypeName());
}

std::string SubscriptOutOfRange(const ReviewedLine& line) {
    const uint32_t count = line.facts.elements;
    const int32_t index = line.facts.subscript;
    return fmt::format("{} has {} element{}{}: there is no element [{}]{}", line.Field(), count,
                       count == 1 ? "" : "s",
                       count == 0 ? "" : fmt::format(" (0 to {})", count - 1), index,
                       index < 0 ? " (elements count from 0)" : "; resize_field it first");
}

std::string NotResizableHere(const ReviewedLine& line, DatabaseNames& names) {
    const auto& facts = line.facts;
    if (facts.holder == facts.collection) {
        return fmt::format("{} lies in the class's layout, whose arrays keep their size",
                           line.Field());
    }
    std::string holder;
    names.NameCollection(facts.holder, facts.classRecord, holder);
    const auto& a = line.arguments;
    return fmt::format(
        "'{}' inherits '{}' from '{}': resize it there (resize_field {} {} {} {}), which changes "
        "it for every collection that inherits it",
        a.collection, line.field.name, holder, a.className, holder, line.field.name, a.count);
}

// A value the field's type (or the member's) did not take.
std::optional<std::string> RefusedValue(const ReviewedLine& line, TypeMembers& members) {
    const auto& facts = line.facts;
    const auto& a = line.arguments;
    const rakor::Attrib::HostTypeRow* const row = line.Row();
    if (row == nullptr) {
        return std::nullopt;
    }
    if (row->form == ValueForm::None) {
        return fmt::format("{} cannot be set from a script", FieldWithType(line));
    }
    const std::vector<std::string>& names = members.Of(*facts.type);
    if (facts.cause == Cause::NoMember) {
        if (names.empty()) {
            return fmt::format("{} has no members: {}", FieldWithType(line),
                               SixWordReading(a.member, a.valueToken));
        }
        const auto meant = rakor::Sandbox::ClosestSpelling(a.member, names);
        return fmt::format("{} has no member '{}'; its members are {}{}", FieldWithType(line),
                           a.member, MemberList(names),
                           meant ? fmt::format("; did you mean '{}'?", *meant) : std::string());
    }
    if (facts.cause == Cause::NoTextForm) {
        const auto member = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
            return SameIgnoringCase(name, a.value);
        });
        if (!a.hasMember && row->form == ValueForm::MembersOnly && member != names.end()) {
            return fmt::format(
                "{} is set one member at a time, and '{}' is one of its members: the value after "
                "it looks missing (update_field {} {} {} {} <value>)",
                FieldWithType(line), a.value, a.className, a.collection, a.field, *member);
        }
        if (!a.hasMember && row->form == ValueForm::MembersOnly && !names.empty()) {
            return fmt::format(
                "{} is set one member at a time: {} (for example update_field {} {} {} {} {})",
                FieldWithType(line), MemberList(names), a.className, a.collection, a.field,
                names.front(), a.valueToken);
        }
        return fmt::format("{} cannot be set from a script", ValueTarget(line));
    }
    const rakor::Attrib::HostTypeRow* const read = RowOfType(facts.value.typeKey);
    if (read == nullptr) {
        return std::nullopt;
    }
    // A float beyond the float's range is no number the type can take.
    const bool outOfRange = facts.cause == Cause::ValueOutOfRange && read->form == ValueForm::Whole;
    return fmt::format("'{}' is {}: {} {}", a.value, outOfRange ? "out of range" : "not a number",
                       ValueTarget(line), NumberForm(*read));
}

// A name in the value (or the member name) that is no key.
std::string NameThatIsNoKey(const ReviewedLine& line, TypeMembers& members) {
    const auto& a = line.arguments;
    const bool member = a.hasMember && line.facts.token == a.memberToken;
    // A "0x" member name is no member's name either, which says more.
    if (member && line.facts.type != nullptr) {
        const std::vector<std::string>& names = members.Of(*line.facts.type);
        if (names.empty()) {
            return fmt::format("{} has no members: {}", FieldWithType(line),
                               SixWordReading(a.member, a.valueToken));
        }
        return fmt::format("{} has no member '{}'; its members are {}", FieldWithType(line),
                           a.member, MemberList(names));
    }
    const std::string_view name = member ? a.member : a.value;
    const std::string problem = line.facts.cause == Cause::NameNotHexadecimal
                                    ? "is not a hexadecimal number after '0x'"
                                    : "does not fit in 32 bits";
    if (member) {
        return fmt::format("update_field: name '{}' {} (a member name of '{}')", name, problem,
                           line.field.name);
    }
    return fmt::format("update_field: name '{}' {} (the value for {})", name, problem,
                       a.hasMember ? fmt::format("'{}' of '{}'", a.member, line.field.name)
                                   : fmt::format("'{}'", line.field.name));
}

}  // namespace

std::optional<std::string> ExplainFailure(const ReviewedLine& line, DatabaseNames& names,
                                          TypeMembers& members, bool exampleDatabase) {
    const auto& facts = line.facts;
    const auto& a = line.arguments;
    switch (facts.cause) {
        case Cause::NoClass:
            return fmt::format("there is no class '{}'{}{}", a.className,
                               exampleDatabase ? " in the example database, which vxmod runs "
                                                 "against when no --db FILE is given"
                                               : "",
                               names.ClassSuggestion(a.className));
        case Cause::NoCollection:
            return fmt::format("class '{}' has no collection '{}'{}", a.className, a.collection,
                               names.CollectionSuggestion(facts.classKey, a.collection));
        case Cause::NoField:
            // A field held without a definition in the class has no type the
            // loader could write it with.
            if (names.IsFieldOf(facts.classKey, line.field.name)) {
                return fmt::format(
                    "{} has no definition in class '{}': the loader cannot tell its type",
                    line.Field(), a.className);
            }
            return fmt::format(
                "neither '{}' nor a parent of it holds a field '{}'{}", a.collection,
                line.field.name,
                names.FieldSuggestion(facts.classKey, line.field.name, line.field.subscripted));
        case Cause::UnknownFieldType:
            return fmt::format("{} has the type '{}', which the loader cannot write", line.Field(),
                               line.TypeName());
        case Cause::NotAnArray:
            return fmt::format("{} is not an array: only arrays can be resized",
                               FieldWithType(line));
        case Cause::TooManyElements:
            return fmt::format("an array holds at most {} elements, not {}",
                               rakor::Attrib::Automation::ResizeField::kMaxCount, facts.count);
        case Cause::NotResizableHere:
            return NotResizableHere(line, names);
        case Cause::SubscriptOutOfRange:
            return SubscriptOutOfRange(line);
        case Cause::ValueNotANumber:
        case Cause::ValueOutOfRange:
        case Cause::NoTextForm:
        case Cause::NoMember:
            return RefusedValue(line, members);
        case Cause::NameNotHexadecimal:
        case Cause::NameTooWide:
            // The parser's own message names the token; an action's names the value.
            if (facts.classRecord == nullptr) {
                return std::nullopt;
            }
            return NameThatIsNoKey(line, members);
        case Cause::None:
        case Cause::TooFewArguments:
        case Cause::NegativeCount:
        case Cause::SubscriptNotANumber:
        case Cause::SubscriptTooWide:
        case Cause::OutOfMemory:
        case Cause::Other:
            break;
    }
    return std::nullopt;
}

}  // namespace vxmod

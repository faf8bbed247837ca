#include "review/FindingPlace.h"

#include "automation/CommandTable.h"
#include "automation/LineTokens.h"
#include "review/InvisibleCharacters.h"

namespace vxmod {
namespace {

using rakor::Attrib::Automation::Builds;
using rakor::Attrib::Automation::Cause;
using rakor::Attrib::Automation::Command;
using rakor::Attrib::Automation::LineTokens;
using rakor::Attrib::Automation::Role;

// The part of a field argument that is the field's name, or its subscript.
enum class FieldPart { Whole, Name, Subscript };

struct Words {
    std::string_view line;
    LineTokens tokens;

    WordSpan Of(std::string_view word) const {
        const auto from = static_cast<std::size_t>(word.data() - line.data());
        return {from, from + word.size()};
    }
    WordSpan Token(std::size_t token) const {
        if (token >= tokens.count || token >= LineTokens::kMostRead) {
            return All();
        }
        return Of(tokens[token]);
    }
    // From the start of one token to the end of the line's last one.
    WordSpan From(std::size_t token) const {
        if (token >= tokens.count) {
            return All();
        }
        const WordSpan start = Token(token);
        return {start.from, Of(tokens.Text()).to};
    }
    WordSpan All() const {
        return tokens.count == 0 ? WordSpan{0, line.size()} : Of(tokens.Text());
    }
};

// The role a failure is about, by its cause.
Role RoleOfCause(Cause cause, const Command& command, FieldPart& part) {
    switch (cause) {
        case Cause::NoClass:
            return Role::Class;
        case Cause::NoCollection:
            return command.builds == Builds::AddNode ? Role::Parent : Role::Collection;
        case Cause::NoField:
            part = FieldPart::Name;
            return Role::Field;
        case Cause::SubscriptOutOfRange:
            part = FieldPart::Subscript;
            return Role::Field;
        case Cause::UnknownFieldType:
        case Cause::NotAnArray:
        case Cause::NotResizableHere:
            return Role::Field;
        case Cause::TooManyElements:
            return Role::Count;
        case Cause::ValueNotANumber:
        case Cause::ValueOutOfRange:
        case Cause::NoTextForm:
            return Role::Value;
        case Cause::NoMember:
            return Role::Member;
        case Cause::None:
        case Cause::TooFewArguments:
        case Cause::NegativeCount:
        case Cause::SubscriptNotANumber:
        case Cause::SubscriptTooWide:
        case Cause::NameNotHexadecimal:
        case Cause::NameTooWide:
        case Cause::OutOfMemory:
        case Cause::Other:
            break;
    }
    return Role::None;
}

// The role a warning or note of a line that ran is about, by its kind.
Role RoleOfKind(FindingKind kind, const Command& command, FieldPart& part) {
    switch (kind) {
        case FindingKind::CountReadInPart:
            return Role::Count;
        case FindingKind::CopiesNothing:
            return Role::Ignored;
        case FindingKind::SubscriptReadInPart:
        case FindingKind::SubscriptIgnored:
            part = FieldPart::Subscript;
            return Role::Field;
        case FindingKind::Inherited:
            return Role::Collection;
        case FindingKind::MadeAgain:
            return Role::NewCollection;
        case FindingKind::MemberAsValue:
        case FindingKind::NumberReadInPart:
        case FindingKind::NegativeWrapped:
        case FindingKind::ReadAsFalse:
        case FindingKind::LayoutCopy:
        case FindingKind::Reference:
            return Role::Value;
        case FindingKind::Conflict:
            // A conflict over an array's size is one of counts.
            return command.builds == Builds::ResizeField ? Role::Count : Role::Value;
        case FindingKind::Unsorted:
            // The one error of a line that ran: a count that is no number.
            return command.builds == Builds::ResizeField ? Role::Count : Role::None;
        case FindingKind::DoesNothing:
        case FindingKind::IgnoredWords:
        case FindingKind::Quotes:
        case FindingKind::Invisible:
            break;
    }
    return Role::None;
}

WordSpan FieldPartOf(const Words& words, std::size_t token, FieldPart part) {
    const WordSpan whole = words.Token(token);
    const std::string_view field = words.line.substr(whole.from, whole.to - whole.from);
    const std::size_t open = field.find('[');
    if (part == FieldPart::Whole || open == std::string_view::npos) {
        return whole;
    }
    if (part == FieldPart::Name) {
        return open == 0 ? whole : WordSpan{whole.from, whole.from + open};
    }
    return {whole.from + open, whole.to};
}

}  // namespace

WordSpan PlaceOfFinding(std::string_view line, Diagnostic::Severity severity, FindingKind kind,
                        const LineOutcome& outcome) {
    const Words words{line, rakor::Attrib::Automation::SplitLine(line)};
    if (words.tokens.count == 0) {
        return words.All();
    }
    if (kind == FindingKind::Invisible) {
        if (const auto invisible = FirstInvisible(line)) {
            std::size_t from = invisible->at;
            std::size_t to = invisible->at + invisible->length;
            while (from > 0 &&
                   !rakor::Attrib::Automation::kIsBlank[static_cast<uint8_t>(line[from - 1])]) {
                --from;
            }
            while (to < line.size() &&
                   !rakor::Attrib::Automation::kIsBlank[static_cast<uint8_t>(line[to])]) {
                ++to;
            }
            return {from, to};
        }
        return words.All();
    }
    const Command* const command = rakor::Attrib::Automation::FindCommand(words.tokens[0]);
    if (command == nullptr || kind == FindingKind::DoesNothing) {
        return words.Token(0);
    }
    const std::size_t count = words.tokens.count;
    if (kind == FindingKind::IgnoredWords) {
        // The words past what the row reads, which the line keeps no view of.
        return words.tokens.count > command->mostRead + 1
                   ? words.Of(words.tokens.After(command->mostRead))
                   : words.All();
    }
    if (kind == FindingKind::Quotes) {
        const std::size_t member = command->TokenOf(count, Role::Member);
        return words.From(member != 0 ? member : command->TokenOf(count, Role::Value));
    }
    FieldPart part = FieldPart::Whole;
    Role role = Role::None;
    if (outcome.cause != Cause::None) {
        role = RoleOfCause(outcome.cause, *command, part);
        if (role == Role::None) {
            // The parser's causes name their token; a short line is all of it.
            return outcome.token != 0 ? words.Token(outcome.token) : words.All();
        }
        // A member the value has not: with five words the value stood for it.
        if (role == Role::Member && command->TokenOf(count, Role::Member) == 0) {
            role = Role::Value;
        }
    } else if (severity != Diagnostic::Severity::Error || kind != FindingKind::Unsorted ||
               command->builds == Builds::ResizeField) {
        role = RoleOfKind(kind, *command, part);
    }
    const std::size_t token = role == Role::None ? 0 : command->TokenOf(count, role);
    if (token == 0) {
        return words.All();
    }
    return role == Role::Field ? FieldPartOf(words, token, part) : words.Token(token);
}

}  // namespace vxmod

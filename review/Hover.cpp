#include "review/Hover.h"

#include <fmt/format.h>

#include "automation/FieldSpec.h"
#include "review/ClassFields.h"
#include "review/CollectionFields.h"
#include "review/DatabaseNames.h"
#include "review/HeldValue.h"
#include "review/LineWords.h"
#include "review/TextLines.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
namespace sandbox = rakor::Sandbox;
using automation::Role;

namespace {

std::string Code(std::string_view text) {
    return fmt::format("`{}`", text);
}

std::string CommandHelp(const automation::Command& command) {
    std::string text = fmt::format("**{}** {}", command.word, Code(command.usage));
    if (!command.BuildsAction()) {
        text += "\n\nAccepted, and does nothing.";
    }
    return text;
}

std::string ClassHelp(const sandbox::Class& cls) {
    return fmt::format("class **{}**: {} collections, {} fields the loader can set",
                       DatabaseName(cls.GetKey()), cls.CollectionCount(),
                       FieldsOfClass(cls.GetKey()).size());
}

// The collection and its parents, as the database holds them when the line runs.
std::string CollectionHelp(const sandbox::Class& cls, std::string_view name) {
    const auto key = KeyOfName(name);
    const auto collection = key ? cls.FindCollection(*key) : std::nullopt;
    if (!collection) {
        return fmt::format("collection **{}**: not in class '{}' when this line runs", name,
                           DatabaseName(cls.GetKey()));
    }
    std::string chain{};
    for (auto parent = collection->Parent(); parent; parent = parent->Parent()) {
        chain += " → " + DatabaseName(parent->GetKey());
    }
    return fmt::format(
        "collection **{}** of class '{}'{}{}", name, DatabaseName(cls.GetKey()),
        chain.empty() ? ", a root" : ", child of: " + chain.substr(5),
        collection->ConstructedByLibrary() ? "\n\nMade by an earlier add_node line." : "");
}

// Where the value of a line's field stands, before the script and after the line.
struct Where {
    uint32_t classKey = 0;
    uint32_t collectionKey = 0;
    uint32_t fieldKey = 0;
    int32_t element = -1;
    std::string member{};
};

std::string ValueLine(std::string_view when, const std::optional<HeldValue>& held) {
    if (!held) {
        return fmt::format("- {}: not there", when);
    }
    return fmt::format("- {}: {}{}", when, Code(held->text),
                       held->inherited ? fmt::format(" (held by '{}')", held->holder) : "");
}

// Who holds the field for the line's collection, and whether a collection
// made from it (add_node) can hold it itself: what vxmod show says of it.
std::optional<std::string> HoldingLine(const Where& where, std::string_view fieldName) {
    const sandbox::Database* db = sandbox::Database::Current();
    if (db == nullptr) {
        return std::nullopt;
    }
    const auto found =
        FieldsOfCollection(*db, DatabaseName(where.classKey), DatabaseName(where.collectionKey));
    const auto* fields = std::get_if<CollectionFields>(&found);
    if (fields == nullptr) {
        return std::nullopt;
    }
    for (const CollectionField& field : fields->fields) {
        if (field.name != fieldName) {
            continue;
        }
        const std::string held = field.heldItself
                                     ? fmt::format("'{}' holds it itself", fields->collection)
                                     : fmt::format(
                                           "'{}' inherits it from '{}': a line naming '{}' "
                                           "changes it there",
                                           fields->collection, field.holder, fields->collection);
        const std::string made =
            field.newCollectionHoldsIt
                ? "a collection made from it (add_node) holds its own copy"
                : fmt::format(
                      "a collection made from it (add_node) inherits it from '{}', and no "
                      "script line can give it one of its own",
                      field.holder);
        return fmt::format("Held: {}; {}.", held, made);
    }
    return std::nullopt;
}

std::string FieldHelp(PackSession& session, const PackSession::Script& script, std::size_t line,
                      const ClassField& field, const Where& where) {
    std::string text = fmt::format(
        "**{}** {}{}{}", field.name, Code(field.typeName), field.array ? ", an array" : "",
        field.layout ? ", in the class's layout block: every collection holds its own, "
                       "copied from its parent when it is made"
                     : "");
    text += "\n\nValues: " + field.ValuesAreWritten();
    // The values as the game holds them when the script starts and once the line has run.
    session.MoveTo(script, 1);
    const auto before =
        ValueHeld(where.classKey, where.collectionKey, where.fieldKey, where.element, where.member);
    session.MoveTo(script, static_cast<int>(line) + 2);
    const auto after =
        ValueHeld(where.classKey, where.collectionKey, where.fieldKey, where.element, where.member);
    text += "\n\n" + ValueLine("Before this script", before) + "\n" +
            ValueLine("After this line", after);
    if (const auto holding = HoldingLine(where, field.name)) {
        text += "\n\n" + *holding;
    }
    // The scripts that set it, in the order the game runs them.
    const int number = static_cast<int>(line) + 1;
    for (const auto& [editLine, target] : script.results.edits) {
        if (editLine != number) {
            continue;
        }
        const ConflictTracker& conflicts = session.Conflicts();
        const auto setters = conflicts.SettersOf(target);
        if (setters.size() > 1) {
            text += "\n\nSet by (the last one wins):";
            for (std::size_t i = 0; i < setters.size(); ++i) {
                text +=
                    fmt::format("\n- {} {}{}", conflicts.PlaceText(setters[i].place),
                                Code(setters[i].kept), i + 1 == setters.size() ? " (wins)" : "");
            }
        }
    }
    return text;
}

}  // namespace

std::optional<HoverText> HoverAt(PackSession& session, const PackSession::Script& script,
                                 std::size_t line, std::size_t at) {
    if (!script.text) {
        return std::nullopt;
    }
    const TextLines lines(*script.text);
    const LineWords words = WordsOf(lines.Line(line));
    const std::optional<WordAtCursor> word = WordAt(words, at);
    if (!word || word->index >= words.words.size() || words.command == nullptr) {
        return std::nullopt;
    }
    HoverText hover{.word = word->span};
    if (word->index == 0) {
        hover.markdown = CommandHelp(*words.command);
        return hover;
    }
    const Role role = words.RoleOf(word->index);
    session.MoveTo(script, static_cast<int>(line) + 1);
    const sandbox::Database* db = sandbox::Database::Current();
    const auto classKey = KeyOfName(words.WordOf(Role::Class));
    const auto cls = classKey && db != nullptr ? db->FindClass(*classKey) : std::nullopt;
    if (role == Role::Class) {
        hover.markdown =
            cls ? ClassHelp(*cls)
                : fmt::format("class **{}**: not in the database", words.Word(word->index));
        return hover;
    }
    if (!cls) {
        return std::nullopt;
    }
    switch (role) {
        case Role::Collection:
        case Role::Parent:
        case Role::Ignored:
        case Role::NewCollection:
            hover.markdown = CollectionHelp(*cls, words.Word(word->index));
            return hover;
        case Role::Field:
        case Role::Member:
        case Role::Value:
        case Role::Count: {
            const std::string_view written = words.WordOf(Role::Field);
            const auto fieldKey = KeyOfName(FieldName(written));
            const auto collectionKey = KeyOfName(words.WordOf(Role::Collection));
            const auto field = fieldKey ? FieldOfClass(*classKey, *fieldKey) : std::nullopt;
            if (!field || !collectionKey) {
                return std::nullopt;
            }
            Where where{
                .classKey = *classKey, .collectionKey = *collectionKey, .fieldKey = *fieldKey};
            // The element as the loader reads the subscript.
            if (field->array && words.command->subscripts) {
                try {
                    const auto read = rakor::Attrib::Automation::SplitFieldSpec(written);
                    where.element = read.subscripted ? read.index : 0;
                } catch (const std::exception&) {
                    where.element = -1;
                }
            }
            where.member = std::string(words.WordOf(Role::Member));
            hover.markdown = FieldHelp(session, script, line, *field, where);
            return hover;
        }
        case Role::Class:
        case Role::None:
            break;
    }
    return std::nullopt;
}

}  // namespace vxmod

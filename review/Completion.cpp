#include "review/Completion.h"

#include <algorithm>

#include <fmt/format.h>

#include "automation/FieldLookup.h"
#include "review/ClassFields.h"
#include "review/DatabaseNames.h"
#include "review/LineWords.h"
#include "review/TextLines.h"
#include "sandbox/Database.h"

namespace vxmod {
namespace automation = rakor::Attrib::Automation;
namespace sandbox = rakor::Sandbox;
using automation::Role;
using Kind = CompletionItem::Kind;

namespace {

// Of a large array, the subscripts offered.
constexpr uint32_t kMostSubscripts = 256;

void AddCommands(Completions& completions) {
    for (const automation::Command& command : automation::Commands()) {
        for (const automation::CommandForm& form : command.forms) {
            if (form.roles[0] == Role::None) {
                continue;
            }
            CompletionItem item{.kind = Kind::Command, .label = std::string(command.word)};
            for (const Role role : form.roles) {
                if (role != Role::None) {
                    item.arguments.emplace_back(automation::RoleName(role));
                }
            }
            item.detail = fmt::format("{}", fmt::join(item.arguments, " "));
            item.documentation = std::string(command.usage);
            completions.items.push_back(std::move(item));
        }
    }
}

std::optional<sandbox::Class> ClassNamed(std::string_view name) {
    const auto key = KeyOfName(name);
    const sandbox::Database* db = sandbox::Database::Current();
    return key && db != nullptr ? db->FindClass(*key) : std::nullopt;
}

void AddClasses(Completions& completions) {
    if (const sandbox::Database* db = sandbox::Database::Current()) {
        for (const sandbox::Class& cls : db->Classes()) {
            completions.items.push_back(
                {.kind = Kind::Class,
                 .label = DatabaseName(cls.GetKey()),
                 .detail = fmt::format("{} collections", cls.CollectionCount())});
        }
    }
}

void AddCollections(const sandbox::Class& cls, Completions& completions) {
    for (const sandbox::Collection& collection : cls.Collections()) {
        const auto parent = collection.Parent();
        completions.items.push_back({.kind = Kind::Collection,
                                     .label = DatabaseName(collection.GetKey()),
                                     .detail = parent ? "child of " + DatabaseName(parent->GetKey())
                                                      : std::string("a root"),
                                     .documentation = collection.ConstructedByLibrary()
                                                          ? "made by an earlier add_node line"
                                                          : ""});
    }
}

void AddFields(uint32_t classKey, Completions& completions) {
    for (const ClassField& field : FieldsOfClass(classKey)) {
        completions.items.push_back({.kind = Kind::Field,
                                     .label = field.name,
                                     .detail = field.typeName + (field.array ? " (array)" : ""),
                                     .documentation = "Values: " + field.ValuesAreWritten()});
    }
}

void AddMembers(const ClassField& field, Completions& completions) {
    for (const std::string& member : field.members) {
        completions.items.push_back(
            {.kind = Kind::Member, .label = member, .detail = "member of " + field.typeName});
    }
}

void AddValues(const ClassField& field, Completions& completions) {
    if (field.row != nullptr && field.row->form == rakor::Attrib::ValueForm::Bool) {
        for (const char* value : {"True", "False"}) {
            completions.items.push_back({.kind = Kind::Value,
                                         .label = value,
                                         .detail = field.typeName,
                                         .documentation = field.ValuesAreWritten()});
        }
    }
}

// An array's subscripts, as the database holds the array when the line runs.
void AddSubscripts(const sandbox::Class& cls, std::string_view collectionName,
                   std::string_view fieldName, Completions& completions) {
    const auto collectionKey = KeyOfName(collectionName);
    const auto fieldKey = KeyOfName(fieldName);
    const auto collection = collectionKey ? cls.FindCollection(*collectionKey) : std::nullopt;
    if (!collection || !fieldKey) {
        return;
    }
    const auto location = automation::LocateField(
        reinterpret_cast<rakor::Host::CollectionRecord*>(collection->Record()),
        rakor::Attrib::Hash32(*fieldKey));
    if (location.storage == nullptr || !location.isArray) {
        return;
    }
    const uint32_t count = static_cast<const sandbox::ArrayHeader*>(location.storage)->count;
    for (uint32_t i = 0; i < count && i < kMostSubscripts; ++i) {
        completions.items.push_back({.kind = Kind::Subscript,
                                     .label = std::to_string(i),
                                     .detail = fmt::format("element {} of {}", i, count)});
    }
}

}  // namespace

Completions CompleteAt(PackSession& session, const PackSession::Script& script, std::size_t line,
                       std::size_t at) {
    Completions completions;
    if (!script.text) {
        return completions;
    }
    const TextLines lines(*script.text);
    const LineWords words = WordsOf(lines.Line(line));
    const std::optional<WordAtCursor> word = WordAt(words, at);
    if (!word) {
        return completions;
    }
    completions.replaced = word->span;
    if (word->index == 0) {
        AddCommands(completions);
        return completions;
    }
    if (words.command == nullptr) {
        return completions;
    }
    // The line as it will stand once the word is written: a word typed at
    // the end is one more.
    const std::size_t count = std::max(words.words.size(), word->index + 1);
    const Role role = words.command->RoleOf(count, word->index);
    // The database as it is when the line runs.
    session.MoveTo(script, static_cast<int>(line) + 1);
    const auto cls = ClassNamed(words.WordOf(Role::Class));
    switch (role) {
        case Role::Class:
            AddClasses(completions);
            break;
        case Role::Collection:
        case Role::Parent:
        case Role::Ignored:
            if (cls) {
                AddCollections(*cls, completions);
            }
            break;
        case Role::Field: {
            const std::string_view written = words.Word(word->index);
            const std::size_t open = written.find('[');
            const std::size_t cursor = at - word->span.from;
            if (cls && words.command->subscripts && open != std::string_view::npos &&
                cursor > open) {
                completions.replaced = {word->span.from + open + 1, word->span.to};
                if (!written.empty() && written.back() == ']') {
                    --completions.replaced.to;
                }
                AddSubscripts(*cls, words.WordOf(Role::Collection), written.substr(0, open),
                              completions);
            } else if (cls) {
                AddFields(cls->GetKey(), completions);
            }
            break;
        }
        case Role::Member:
        case Role::Value: {
            const auto fieldKey = KeyOfName(FieldName(words.WordOf(Role::Field)));
            const auto field =
                cls && fieldKey ? FieldOfClass(cls->GetKey(), *fieldKey) : std::nullopt;
            if (!field) {
                break;
            }
            // A word after the field may be a member (six words) or the value (five).
            const bool memberPlace = words.command->TokenOf(count + 1, Role::Member) == word->index;
            if (role == Role::Member || memberPlace) {
                AddMembers(*field, completions);
            }
            if (role == Role::Value) {
                AddValues(*field, completions);
            }
            break;
        }
        case Role::NewCollection:
        case Role::Count:
        case Role::None:
            break;
    }
    return completions;
}

}  // namespace vxmod

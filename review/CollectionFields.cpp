#include "review/CollectionFields.h"

#include <algorithm>
#include <exception>
#include <span>

#include <fmt/format.h>

#include "automation/FieldLookup.h"
#include "description/JsonWriter.h"
#include "review/DatabaseNames.h"
#include "sandbox/Database.h"
#include "sandbox/HostValueCodec.h"
#include "typedb/IAttribType.h"

namespace vxmod {
namespace {

namespace sandbox = rakor::Sandbox;
using rakor::Attrib::Hash32;
using rakor::Attrib::Automation::FieldLocation;
using rakor::Description::JsonWriter;

// The record the library reads, of the sandbox's own.
rakor::Host::CollectionRecord* HostRecord(sandbox::CollectionRecord* record) {
    return reinterpret_cast<rakor::Host::CollectionRecord*>(record);
}

// The value where the lookup found it, as a description writes it, on one
// line: what the dump and the snapshot show of it too.
std::optional<std::string> ValueText(const FieldLocation& found) {
    if (found.storage == nullptr) {
        return std::nullopt;
    }
    const sandbox::HostType* type = sandbox::FindHostType(found.type->GetTypeHash().GetValue());
    const uint32_t size = found.type->GetSize();
    std::string text;
    JsonWriter out(text, 0, 0);
    const auto write = [&](const uint8_t* bytes) {
        rakor::Description::WriteValue(out, type, std::span(bytes, size), sandbox::SandboxNames());
    };
    if (!found.isArray) {
        write(static_cast<const uint8_t*>(found.storage));
        return text;
    }
    const auto& array = *static_cast<const rakor::Host::ArrayHeader*>(found.storage);
    out.BeginArray();
    // Slots narrower than the type hold no whole value, and a header may
    // count more elements than it has slots: what lies beyond is no value
    // of the array's, and is not read, as a description does not write it.
    if (array.ElementSize() >= size) {
        const auto* elements = static_cast<const uint8_t*>(found.storage) + 8;
        const uint32_t count = std::min(array.count, array.capacity);
        for (uint32_t i = 0; i < count; ++i) {
            write(elements + i * array.ElementSize());
        }
    }
    out.EndArray();
    return text;
}

}  // namespace

std::variant<CollectionFields, NoSuchCollection> FieldsOfCollection(
    const sandbox::Database& database, std::string_view className,
    std::string_view collectionName) {
    // Read as a line reads its names: a "0x" name that is no key names nothing.
    std::optional<Hash32> classKey;
    std::optional<Hash32> collectionKey;
    try {
        classKey.emplace(className);
        collectionKey.emplace(collectionName);
    } catch (const std::exception&) {
        const std::string_view name = classKey ? collectionName : className;
        return NoSuchCollection{
            fmt::format("'{}' is no name and no key: a name that begins with "
                        "'0x' is a key of up to eight hexadecimal digits",
                        name)};
    }
    DatabaseNames names;
    const std::optional<sandbox::Class> cls = database.FindClass(classKey->GetValue());
    if (!cls) {
        return NoSuchCollection{
            fmt::format("there is no class '{}'{}", className, names.ClassSuggestion(className))};
    }
    const std::optional<sandbox::Collection> collection =
        cls->FindCollection(collectionKey->GetValue());
    if (!collection) {
        return NoSuchCollection{
            fmt::format("class '{}' has no collection '{}'{}", className, collectionName,
                        names.CollectionSuggestion(cls->GetKey(), collectionName))};
    }

    CollectionFields result{.className = std::string(className),
                            .collection = std::string(collectionName),
                            .parent = {},
                            .parentClass = {},
                            .fields = {},
                            .notFound = {}};
    rakor::Host::CollectionRecord* const record = HostRecord(collection->Record());
    const auto* const classRecord = reinterpret_cast<rakor::Host::ClassRecord*>(cls->Record());
    // A holder of another class is named with its class: its name alone
    // would be looked for in this one.
    const auto nameOf = [&](const rakor::Host::CollectionRecord* holder, std::string& name,
                            std::string& holderClass) {
        if (holder == record) {
            name = collectionName;
            return;
        }
        names.NameCollection(holder, holder->classObject, name);
        if (holder->classObject != classRecord) {
            holderClass = DatabaseName(
                reinterpret_cast<const sandbox::ClassRecord*>(holder->classObject)->key);
        }
    };
    if (record->parent != nullptr) {
        nameOf(record->parent, result.parent.emplace(), result.parentClass);
    }

    for (const uint32_t key : cls->Fields()) {
        // The loader's own lookup: whatever it finds is what a line changes.
        const FieldLocation found = rakor::Attrib::Automation::LocateField(record, Hash32(key));
        if (found.owner == nullptr || found.type == nullptr) {
            result.notFound.push_back(DatabaseName(key));
            continue;
        }
        CollectionField field{.name = DatabaseName(key),
                              .typeName = std::string(found.type->Row().name),
                              .array = found.isArray,
                              .value = ValueText(found),
                              .holder = {},
                              .holderClass = {},
                              .heldItself = found.owner == record,
                              .inLayout = found.inLayout,
                              .newCollectionHoldsIt = false,
                              .settable = found.type->Row().form != rakor::Attrib::ValueForm::None};
        nameOf(found.owner, field.holder, field.holderClass);
        // A new collection is of the class, with no entries of its own: of
        // all its fields it holds exactly those of the class layout, which
        // the lookup found in this collection's own block.
        field.newCollectionHoldsIt = field.heldItself && field.inLayout;
        result.fields.push_back(std::move(field));
    }
    return result;
}

}  // namespace vxmod

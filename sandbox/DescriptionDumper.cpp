#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "description/ClassWriter.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/HostValueCodec.h"
#include "sandbox/OrderedJson.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;
using Description::FieldShape;

// The description's writer reads collections as the library reads the game's:
// the sandbox lays its records out byte for byte as the game does.
static_assert(sizeof(CollectionRecord) == sizeof(Host::CollectionRecord));
static_assert(offsetof(CollectionRecord, parent) == offsetof(Host::CollectionRecord, parent));
static_assert(offsetof(CollectionRecord, layoutBlock) ==
              offsetof(Host::CollectionRecord, layoutBlock));
const Host::CollectionRecord& HostRecordOf(const Collection& collection) {
    return *reinterpret_cast<const Host::CollectionRecord*>(collection.Record());
}

uint32_t Effective(uint32_t elementSize) {
    return elementSize == 0 ? 4u : elementSize;
}

// Its fields from the class's records and the facts it keeps; the rest is
// the description's writer, which writes the game's classes in the plug-in's
// snapshot too.
class ClassDumper {
public:
    explicit ClassDumper(const Class& cls)
        : cls_(cls), writer_(CollectFields(), cls.LayoutSize(), SandboxNames()) {}

    // The class's object, written at the writer's place.
    void Write(Description::JsonWriter& out) const {
        const std::vector<Written> collections = Collections();
        std::vector<uint32_t> rooms;
        for (const Written& collection : collections) {
            writer_.CountRooms(HostRecordOf(collection.collection), collection.inherited, rooms);
        }
        out.BeginObject();
        if (!writer_.Fields().empty()) {
            out.Key("fields");
            writer_.WriteFields(out, rooms);
        }
        if (!collections.empty()) {
            out.Key("collections");
            out.BeginObject();
            for (const Written& collection : collections) {
                out.Key(collection.name);
                const Host::CollectionRecord& record = HostRecordOf(collection.collection);
                writer_.WriteCollection(out, record,
                                        {.entries = record.OwnEntries(), .leftOut = {}},
                                        collection.parent, collection.inherited, {});
            }
            out.EndObject();
        }
        out.EndObject();
    }

private:
    struct Written {
        Collection collection;
        std::string name;
        std::optional<Description::ParentRef> parent;
        const uint8_t* inherited = nullptr;  // the parent's block, in the same class
    };

    // The collections to write, each under its name, with its parent.
    std::vector<Written> Collections() const {
        const std::vector<Collection> all = cls_.Collections();
        // A later collection with the same key has taken the key over in
        // lookups; it is the one written under the name, in the first one's
        // place.
        std::unordered_map<const CollectionRecord*, std::string> names;
        for (const Collection& collection : all) {
            names.try_emplace(cls_.GetCollection(collection.GetKey()).Record(),
                              KeyText(collection.GetKey()));
        }
        // The one it took the place of is still the parent of the children it
        // had: written under a name of its own, after the others (as the
        // plug-in writes a parent that nothing names), they keep what they
        // inherit from it.
        std::vector<Collection> replacedParents;
        std::vector<Written> written;
        const auto add = [&](const Collection& collection, std::string name) {
            Written entry{.collection = collection,
                          .name = std::move(name),
                          .parent = {},
                          .inherited = nullptr};
            if (const std::optional<Collection> parent = collection.Parent()) {
                const Class parentClass = parent->GetClass();
                if (parentClass == cls_) {
                    const auto [known, added] = names.try_emplace(
                        parent->Record(), "(unnamed parent of " + entry.name + ")");
                    if (added) {
                        replacedParents.push_back(*parent);
                    }
                    entry.parent = Description::ParentRef{.name = known->second, .className = {}};
                    entry.inherited = parent->Record()->layoutBlock;
                } else {
                    // Its block started from zero: it inherits values, not bytes.
                    entry.parent =
                        Description::ParentRef{.name = KeyText(parent->GetKey()),
                                               .className = KeyText(parentClass.GetKey())};
                }
            }
            written.push_back(std::move(entry));
        };
        std::unordered_set<uint32_t> done;
        for (const Collection& collection : all) {
            if (done.insert(collection.GetKey()).second) {
                const Collection current = cls_.GetCollection(collection.GetKey());
                add(current, names.at(current.Record()));
            }
        }
        for (std::size_t i = 0; i < replacedParents.size(); ++i) {
            const Collection parent = replacedParents[i];
            add(parent, names.at(parent.Record()));
        }
        return written;
    }

    // Fields come from the layout table, the definitions and the own entries
    // in host memory; the facts the class keeps add what memory cannot say.
    std::vector<FieldShape> CollectFields() const {
        std::vector<FieldShape> fields;
        std::unordered_map<uint32_t, std::size_t> fieldOf;
        std::vector<uint32_t> typeKeys;
        const auto field = [&](uint32_t key) -> FieldShape& {
            const auto [at, added] = fieldOf.try_emplace(key, fields.size());
            if (!added) {
                return fields[at->second];
            }
            FieldShape& shape = fields.emplace_back();
            shape.key = key;
            shape.name = KeyText(key);
            shape.definition = false;
            typeKeys.push_back(0);
            return shape;
        };
        // In the order the class was told of them, as its description declared them.
        for (const uint32_t key : cls_.Fields()) {
            field(key);
        }
        for (const LayoutEntry& entry : cls_.LayoutFields()) {
            FieldShape& shape = field(entry.key);
            shape.layout = true;
            shape.offset = entry.offset;
            shape.array = (entry.flags & kArrayFlag) != 0;
        }
        for (const FieldDefinition& definition : cls_.Definitions()) {
            field(definition.key).definition = true;
            typeKeys[fieldOf.at(definition.key)] = definition.typeKey;
        }
        // A field that is an array in one collection and not in another is
        // written as its description declared it, else as its first entry has it.
        std::unordered_set<uint32_t> seen;
        for (const Collection& collection : cls_.Collections()) {
            for (const OwnEntry& entry : collection.OwnEntries()) {
                FieldShape& shape = field(entry.key);
                if (!shape.layout && seen.insert(entry.key).second) {
                    shape.array = (entry.flags & kArrayFlag) != 0;
                }
            }
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            FieldShape& shape = fields[i];
            const FieldFacts* facts = cls_.FindFieldFacts(shape.key);
            const uint32_t typeKey =
                !shape.definition && facts != nullptr ? facts->typeKey : typeKeys[i];
            shape.typeName = KeyText(typeKey);
            if (facts != nullptr && !shape.layout) {
                shape.array = facts->array;
            }
            shape.type = FindHostType(typeKey);
            if (shape.type != nullptr) {
                shape.size = shape.type->size;
            } else if (facts != nullptr) {
                shape.size = facts->size;
            } else if (shape.layout && !shape.array) {
                shape.size = LayoutGap(shape);
            }
            shape.elementSize = shape.size;
            if (facts != nullptr && facts->array == shape.array) {
                shape.capacity = facts->capacity;
                shape.elementSize = facts->elementSize.value_or(shape.size);
            }
            if (facts != nullptr) {
                shape.note = facts->note;
            }
            if (shape.layout && shape.array) {
                shape.roomCapacity = shape.capacity ? *shape.capacity
                                                    : (std::max(LayoutGap(shape), 8u) - 8) /
                                                          Effective(shape.elementSize);
            }
        }
        return fields;
    }

    // Without facts, a layout field is taken to reach to the next one.
    uint32_t LayoutGap(const FieldShape& field) const {
        uint32_t end = cls_.LayoutSize();
        for (const LayoutEntry& entry : cls_.LayoutFields()) {
            if (entry.offset > field.offset) {
                end = std::min(end, entry.offset);
            }
        }
        return end - field.offset;
    }

    Class cls_;
    Description::ClassWriter writer_;
};

}  // namespace

void WriteDescription(const Database& database, Description::JsonWriter& out) {
    out.BeginObject();
    out.Key("classes");
    out.BeginObject();
    for (const Class& cls : database.Classes()) {
        out.Key(KeyText(cls.GetKey()));
        ClassDumper(cls).Write(out);
    }
    out.EndObject();
    out.EndObject();
}

Json DumpDescription(const Database& database) {
    std::string text;
    Description::JsonWriter out(text);
    WriteDescription(database, out);
    return ParseOrderedJson(text);
}

}  // namespace rakor::Sandbox

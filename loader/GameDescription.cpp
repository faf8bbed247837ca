#include "loader/GameDescription.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>
#include <spdlog/logger.h>

#include "description/ClassWriter.h"
#include "hash/Hashes.h"
#include "host/HostApi.h"
#include "host/HostRecords.h"
#include "host/HostStorage.h"
#include "loader/GuardedCall.h"

namespace rakor {
namespace {

using Json = nlohmann::ordered_json;
using Description::FieldShape;
using Description::HostType;

std::string NameOfKey(uint32_t key) {
    const std::string_view name = Attrib::HashResolver::NameOf(key);
    return Description::KeyText(
        key, name.empty() ? std::nullopt : std::optional<std::string_view>(name));
}

// The description's types by the key the game makes of their names.
const HostType* TypeOf(uint32_t typeKey) {
    static const std::unordered_map<uint32_t, const HostType*> byKey = [] {
        std::unordered_map<uint32_t, const HostType*> keys;
        for (const HostType& type : Description::HostTypes()) {
            keys.emplace(Attrib::Hash32(type.name).GetValue(), &type);
        }
        return keys;
    }();
    const auto found = byKey.find(typeKey);
    return found == byKey.end() ? nullptr : found->second;
}

// Runs `read` under the fault guard: what stopped it (a fault in the
// library's own code reading a record through a pointer the game handed
// over, or an exception), worded for the log.
template <typename Read>
std::optional<std::string> ReadGuarded(spdlog::logger& log, Read&& read) {
    std::optional<GuardedStop> stop = RunGuardedCall(
        read, log, [] { return std::string("The snapshot of the game's database"); });
    return stop ? std::optional(std::move(stop->what)) : std::nullopt;
}

struct FoundCollection {
    const Host::CollectionRecord* record;
    std::string name;
    std::optional<std::string> parent;
};

// The collections of a class to write: those the scripts name, those the
// hash list names (by name), then the parents of all of them up to the root.
std::vector<FoundCollection> FindCollections(
    void* classObject, std::span<const uint32_t> named, std::span<const uint32_t> listed,
    std::unordered_map<const void*, std::string>& unnamed) {
    std::vector<FoundCollection> found;
    std::unordered_map<const void*, std::size_t> seen;
    const auto add = [&](const void* record, std::string name) {
        if (seen.try_emplace(record, found.size()).second) {
            found.push_back({static_cast<const Host::CollectionRecord*>(record), std::move(name),
                             std::nullopt});
        }
    };
    for (const uint32_t key : named) {
        if (void* collection = Host::GetCollection(classObject, key)) {
            add(collection, NameOfKey(key));
        }
    }
    const std::size_t fromList = found.size();
    for (const uint32_t key : listed) {
        if (void* collection = Host::GetCollection(classObject, key)) {
            add(collection, NameOfKey(key));
        }
    }
    std::sort(found.begin() + static_cast<std::ptrdiff_t>(fromList), found.end(),
              [](const FoundCollection& a, const FoundCollection& b) { return a.name < b.name; });
    for (std::size_t i = 0; i < found.size(); ++i) {
        seen[found[i].record] = i;
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Host::CollectionRecord* parent = found[i].record->parent;
        if (parent == nullptr) {
            continue;
        }
        if (!seen.contains(parent)) {
            const auto given =
                unnamed.try_emplace(parent, fmt::format("(unnamed parent of {})", found[i].name));
            add(parent, given.first->second);
        }
        found[i].parent = found[seen.at(parent)].name;
    }
    return found;
}

// The array header each written collection's layout block holds for a field.
std::vector<Host::ArrayHeader> LayoutHeaders(const FieldShape& field,
                                             const std::vector<FoundCollection>& collections) {
    std::vector<Host::ArrayHeader> headers;
    for (const FoundCollection& collection : collections) {
        if (collection.record->layoutBlock != nullptr) {
            headers.push_back(
                Host::LoadFrom<Host::ArrayHeader>(collection.record->layoutBlock + field.offset));
        }
    }
    return headers;
}

// How much of a field the game's records show, and how a description
// writes it: layout fields in the order of the block, then the fields the
// collections hold themselves.
class FieldReader {
public:
    FieldReader(void* classObject, const std::vector<FoundCollection>& collections)
        : classObject_(classObject), collections_(collections) {}

    std::vector<FieldShape> Read() {
        const auto& cls = *static_cast<const Host::ClassRecord*>(classObject_);
        // The library takes the first layout entry of a key.
        std::vector<Host::LayoutEntry> layout;
        std::unordered_set<uint32_t> inLayout;
        for (const Host::LayoutEntry& entry : cls.LayoutEntries()) {
            if (inLayout.insert(entry.key).second) {
                layout.push_back(entry);
            }
        }
        std::stable_sort(layout.begin(), layout.end(),
                         [](const Host::LayoutEntry& a, const Host::LayoutEntry& b) {
                             return a.offset < b.offset;
                         });
        for (const Host::LayoutEntry& entry : layout) {
            FieldShape& field = Shape(entry.key);
            field.layout = true;
            field.offset = entry.offset;
            field.array = (entry.flags & Host::kEntryIsArray) != 0;
        }
        for (const FoundCollection& collection : collections_) {
            for (const Host::CollectionEntry& entry : collection.record->OwnEntries()) {
                FieldShape& field = Shape(entry.key);
                if (!field.layout && (entry.flags & Host::kEntryIsArray) != 0) {
                    field.array = true;
                    if (entry.value != 0) {
                        firstArray_.try_emplace(entry.key, entry.value);
                    }
                }
            }
        }
        for (FieldShape& field : shapes_) {
            Complete(field, NextOffset(field));
        }
        return std::move(shapes_);
    }

private:
    // Where the layout field after this one begins, if one follows.
    std::optional<uint32_t> NextOffset(const FieldShape& field) const {
        std::optional<uint32_t> next;
        for (const FieldShape& other : shapes_) {
            if (field.layout && other.layout && other.offset > field.offset &&
                (!next || other.offset < *next)) {
                next = other.offset;
            }
        }
        return next;
    }

    FieldShape& Shape(uint32_t key) {
        const auto [at, added] = index_.try_emplace(key, shapes_.size());
        if (added) {
            FieldShape& field = shapes_.emplace_back();
            field.key = key;
            field.name = NameOfKey(key);
        }
        return shapes_[at->second];
    }

    // Its type from its definition, its size and its arrays' headers.
    // `nextOffset`: where the next layout field begins, if one follows.
    void Complete(FieldShape& field, std::optional<uint32_t> nextOffset) const {
        const void* definition = Host::GetFieldDefinition(classObject_, field.key);
        field.definition = definition != nullptr;
        const uint32_t typeKey =
            definition != nullptr ? Host::LoadFrom<Host::FieldDefinition>(definition).typeKey : 0;
        field.type = definition != nullptr ? TypeOf(typeKey) : nullptr;
        field.typeName = field.type != nullptr ? std::string(field.type->name) : NameOfKey(typeKey);
        if (field.type != nullptr) {
            field.size = field.type->size;
        }
        std::string unknown;
        if (!field.definition) {
            unknown =
                "The game has no definition of this field, so the loader finds no type "
                "for it and scripts cannot set it";
        } else if (field.type == nullptr) {
            unknown = "Its type is none the loader knows, so scripts cannot set it";
        }

        if (field.layout && field.array) {
            const std::vector<Host::ArrayHeader> headers = LayoutHeaders(field, collections_);
            if (field.type == nullptr) {
                field.size = headers.empty() ? 4 : headers.front().ElementSize();
            }
            field.elementSize = headers.empty() ? field.size : headers.front().elementSize;
            for (const Host::ArrayHeader& header : headers) {
                field.roomCapacity = std::max<uint32_t>(field.roomCapacity, header.capacity);
            }
            FitRoom(field, nextOffset);
        } else if (field.array) {
            // The first array a written collection holds: what the field's
            // arrays are taken to be like unless they say otherwise.
            const auto first = firstArray_.find(field.key);
            const auto header =
                first == firstArray_.end()
                    ? std::nullopt
                    : std::optional(Host::LoadFrom<Host::ArrayHeader>(
                          reinterpret_cast<const void*>(static_cast<uintptr_t>(first->second))));
            if (field.type == nullptr) {
                field.size = header ? header->ElementSize() : 4;
            }
            field.elementSize = header ? header->elementSize : field.size;
        } else if (field.type == nullptr) {
            // The records say where a layout field starts, not where it ends.
            field.size = field.layout && nextOffset ? *nextOffset - field.offset : 4;
        }
        if (!unknown.empty()) {
            field.note = unknown + ": " + ValueWords(field, nextOffset.has_value()) +
                         (field.note.empty() ? "" : " " + field.note);
        }
    }

    static std::string ValueWords(const FieldShape& field, bool followed) {
        if (field.array) {
            return "its elements are written as their bytes, in hexadecimal.";
        }
        if (field.layout) {
            return followed ? "its values are written as their bytes up to the next layout "
                              "field, in hexadecimal."
                            : "its values are written as the 4 bytes at its offset, in "
                              "hexadecimal; the game's records do not say how far it reaches.";
        }
        return "its values are written as the entry's 4-byte word, in hexadecimal: the value "
               "itself, or the address where it lies, which the game's records do not say.";
    }

    // A layout array's record must end before the next field begins.
    static void FitRoom(FieldShape& field, std::optional<uint32_t> nextOffset) {
        const uint32_t slot = field.elementSize == 0 ? 4 : field.elementSize;
        if (!nextOffset || field.offset + field.LayoutBytes() <= *nextOffset) {
            return;
        }
        const uint32_t bytes = *nextOffset - field.offset;
        field.roomCapacity = bytes < 8 ? 0 : (bytes - 8) / slot;
        field.note = fmt::format(
            "The game's array headers claim more element slots than fit before the next layout "
            "field: the room is taken as the {} that fit.",
            field.roomCapacity);
    }

    void* classObject_;
    const std::vector<FoundCollection>& collections_;
    std::vector<FieldShape> shapes_;
    std::unordered_map<uint32_t, std::size_t> index_;
    std::unordered_map<uint32_t, uint32_t> firstArray_;  // by field: the address of an array record
};

uint32_t LayoutEnd(const std::vector<FieldShape>& fields) {
    uint32_t end = 0;
    for (const FieldShape& field : fields) {
        if (field.layout) {
            end = std::max(end, field.offset + field.LayoutBytes());
        }
    }
    return end;
}

}  // namespace

GameDescription::GameDescription(ScriptNames named, spdlog::logger& log)
    : named_(std::move(named)),
      listed_(Attrib::HashResolver::ListedHashes()),
      names_{&NameOfKey, [this](uint64_t hash) { return Hash64Text(hash); }},
      log_(log) {}

// The library keeps no 64-bit hash's text: the scripts' words give it, or
// else a line of the hash list.
std::string GameDescription::Hash64Text(uint64_t hash) {
    if (const auto word = named_.texts64.find(hash); word != named_.texts64.end()) {
        return Description::Hash64Text(hash, word->second);
    }
    if (!listed64_) {
        listed64_.emplace();
        const std::string_view list = Attrib::HashResolver::ListText();
        for (std::size_t start = 0; start < list.size();) {
            const std::size_t end = std::min(list.find('\n', start), list.size());
            const std::string_view line = list.substr(start, end - start);
            listed64_->try_emplace(Attrib::Hash64(line).GetValue(), line);
            start = end + 1;
        }
    }
    const auto line = listed64_->find(hash);
    return Description::Hash64Text(
        hash, line == listed64_->end() ? std::nullopt : std::optional(line->second));
}

GameDescription::Written GameDescription::Describe(const std::string& note) {
    Written written;
    void* const database = Host::DatabaseInstance();
    std::vector<std::pair<uint32_t, void*>> classes;
    if (const auto problem = ReadGuarded(log_, [&] {
            for (const uint32_t key : named_.keys) {
                if (void* cls = Host::GetClass(database, key)) {
                    classes.emplace_back(key, cls);
                }
            }
        })) {
        written.problems.push_back(fmt::format("the classes ({})", *problem));
    }

    Json described = Json::object();
    Json::object_t& classMembers = described.get_ref<Json::object_t&>();
    for (const auto& classFound : classes) {
        // Named, not bound: clang 14 cannot capture bindings in the lambdas below.
        const uint32_t key = classFound.first;
        void* const classObject = classFound.second;
        const std::string className = NameOfKey(key);
        std::vector<FoundCollection> found;
        std::vector<FieldShape> fields;
        if (const auto problem = ReadGuarded(log_, [&] {
                found = FindCollections(classObject, named_.keys, listed_, unnamed_);
                fields = FieldReader(classObject, found).Read();
            })) {
            written.problems.push_back(fmt::format("class '{}' ({})", className, *problem));
            classMembers.emplace_back(
                className, Json{{"note", fmt::format("The loader could not read this class's "
                                                     "records ({}): its fields and collections "
                                                     "are left out.",
                                                     *problem)}});
            continue;
        }
        const uint32_t layoutEnd = LayoutEnd(fields);
        const Description::ClassWriter writer(std::move(fields), layoutEnd, names_);
        Json collections = Json::object();
        Json::object_t& members = collections.get_ref<Json::object_t&>();
        for (const FoundCollection& collection : found) {
            Json values;
            if (const auto problem = ReadGuarded(log_, [&] {
                    values = writer.Collection(*collection.record, collection.parent);
                })) {
                written.problems.push_back(fmt::format("collection '{}'->'{}' ({})", className,
                                                       collection.name, *problem));
                values = Json::object();
                if (collection.parent) {
                    values["parent"] = *collection.parent;
                }
                values["note"] = fmt::format(
                    "The loader could not read this collection's values ({}): they are left out.",
                    *problem);
            }
            members.emplace_back(collection.name, std::move(values));
        }
        written.collections += found.size();
        Json cls = Json::object();
        if (Json fieldsWritten = writer.Fields(collections); !fieldsWritten.empty()) {
            cls["fields"] = std::move(fieldsWritten);
        }
        if (!collections.empty()) {
            cls["collections"] = std::move(collections);
        }
        classMembers.emplace_back(className, std::move(cls));
    }
    written.classes = classes.size();
    written.document = Json::object();
    written.document["note"] = note;
    written.document["classes"] = std::move(described);
    return written;
}

}  // namespace rakor

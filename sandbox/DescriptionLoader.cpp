#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "description/ValueForms.h"
#include "hash/HexText.h"
#include "sandbox/DatabaseDescription.h"
#include "sandbox/HostValueCodec.h"
#include "sandbox/OrderedJson.h"
#include "sandbox/Spelling.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;
using Pointer = Json::json_pointer;

[[noreturn]] void Fail(const Pointer& where, const std::string& message) {
    throw DescriptionError(where.to_string(), message);
}

uint32_t Effective(uint32_t elementSize) {
    return elementSize == 0 ? 4u : elementSize;
}

// Where the parser stopped, as an editor counts (line and column from 1),
// and what it expected there, without the JSON library's own labels.
std::string ParseProblem(std::string_view text, const Json::parse_error& failure) {
    const std::size_t stop =
        std::min<std::size_t>(failure.byte == 0 ? 0 : failure.byte - 1, text.size());
    const std::string_view before = text.substr(0, stop);
    const std::size_t line =
        1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column = stop - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    std::string_view detail = failure.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
    for (const std::string_view label : {std::string_view("] "), std::string_view(": ")}) {
        if (const std::size_t at = detail.find(label); at != std::string_view::npos) {
            detail.remove_prefix(at + label.size());
        }
    }
    return fmt::format("line {}, column {}: {}", line, column, detail);
}

// Typo protection: a misspelt key would otherwise silently mean its default.
void RequireObject(const Json& value, const Pointer& where,
                   std::initializer_list<std::string_view> allowed) {
    if (!value.is_object()) {
        Fail(where, fmt::format("expected an object, found {}", value.type_name()));
    }
    for (const auto& [key, item] : value.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            Fail(where / key, fmt::format("unknown key \"{}\" (expected one of: {})", key,
                                          fmt::join(allowed, ", ")));
        }
    }
}

const Json* Optional(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool OptionalBool(const Json& object, const char* key, const Pointer& where, bool fallback) {
    const Json* value = Optional(object, key);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->is_boolean()) {
        Fail(where / key, fmt::format("expected true or false, found {}", value->type_name()));
    }
    return value->get<bool>();
}

std::optional<uint32_t> OptionalCount(const Json& object, const char* key, const Pointer& where,
                                      uint32_t minimum = 0) {
    const Json* value = Optional(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    // Array headers keep counts and sizes in 16 bits.
    if (!value->is_number_integer() || value->get<int64_t>() < minimum ||
        value->get<int64_t>() > 0xFFFF) {
        Fail(where / key,
             fmt::format("expected an integer from {} to 65535, found {}", minimum, value->dump()));
    }
    return static_cast<uint32_t>(value->get<int64_t>());
}

// A note is for people: a description's writer says there what the
// description cannot (a record it could not read, a type it does not know).
std::string RequireNote(const Json& note, const Pointer& where) {
    if (!note.is_string()) {
        Fail(where, fmt::format("expected a text, found {}", note.type_name()));
    }
    return note.get<std::string>();
}

void RequireNoteIfAny(const Json& object, const Pointer& where) {
    if (const Json* note = Optional(object, "note")) {
        RequireNote(*note, where / "note");
    }
}

struct FieldPlan {
    std::string name;
    Pointer where;
    uint32_t key = 0;
    uint32_t typeKey = 0;
    const HostType* type = nullptr;
    uint32_t size = 0;
    uint32_t alignment = 1;
    bool layout = false;
    bool array = false;
    bool definition = true;
    std::optional<uint32_t> capacity;     // as given
    std::optional<uint32_t> elementSize;  // as given
    std::optional<uint32_t> givenOffset;
    uint32_t offset = 0;
    std::string note;
    // Layout arrays: the header values a plain list gets, and so the room.
    uint32_t roomCapacity = 0;
    uint32_t roomElementSize = 0;

    uint32_t ElementSize() const { return elementSize.value_or(size); }
    uint32_t LayoutBytes() const {
        return array ? 8 + roomCapacity * Effective(roomElementSize) : size;
    }
};

// A parent of another class: {"class": ..., "collection": ...}.
struct ParentElsewhere {
    uint32_t classKey = 0;
    std::string className;
    uint32_t collectionKey = 0;
    std::string collectionName;
};

struct CollectionPlan {
    std::string name;
    Pointer where;  // every value's location starts with it and "values"
    uint32_t key = 0;
    const Json* values = nullptr;
    const Json* arrayFlags = nullptr;   // "array": the entries that are arrays against their field
    const Json* raw = nullptr;          // "raw": bytes laid before a value
    const Json* gaps = nullptr;         // "gaps": layout bytes that no field takes
    std::optional<std::size_t> parent;  // in the same class
    std::optional<ParentElsewhere> parentElsewhere;
};

struct ClassPlan {
    std::string name;
    Pointer where;
    uint32_t key = 0;
    uint32_t layoutSize = 0;
    std::vector<FieldPlan> fields;
    // Every value of every collection finds its field: by key, not by a search.
    std::unordered_map<uint32_t, std::size_t> fieldByKey;
    std::vector<CollectionPlan> collections;  // as the description declares them
    std::unordered_map<uint32_t, std::size_t> collectionByKey;

    const FieldPlan* FindField(uint32_t fieldKey) const {
        const auto it = fieldByKey.find(fieldKey);
        return it == fieldByKey.end() ? nullptr : &fields[it->second];
    }
};

// An array value: a plain list, or an object that sets the header itself.
struct ArrayValue {
    const Json* items = nullptr;
    Pointer itemsWhere;
    std::optional<uint32_t> capacity;
    std::optional<uint32_t> elementSize;
};

ArrayValue ReadArrayValue(const Json& value, const Pointer& where) {
    if (value.is_array()) {
        return {.items = &value, .itemsWhere = where, .capacity = {}, .elementSize = {}};
    }
    if (!value.is_object()) {
        Fail(where, fmt::format("expected a list of items or an object with \"items\", found {}",
                                value.type_name()));
    }
    RequireObject(value, where, {"capacity", "elementSize", "items"});
    const Json* items = Optional(value, "items");
    if (items == nullptr || !items->is_array()) {
        Fail(where / "items", "expected a list of items");
    }
    return {.items = items,
            .itemsWhere = where / "items",
            .capacity = OptionalCount(value, "capacity", where),
            .elementSize = OptionalCount(value, "elementSize", where)};
}

FieldPlan ReadField(const std::string& name, const Json& field, const Pointer& where) {
    RequireObject(field, where,
                  {"type", "storage", "offset", "array", "capacity", "elementSize", "size",
                   "definition", "note"});
    FieldPlan plan;
    plan.name = name;
    plan.where = where;
    plan.key = KeyOf(name, where);

    const Json* type = Optional(field, "type");
    if (type == nullptr || !type->is_string()) {
        Fail(where / "type", "expected the name of the field's type");
    }
    plan.typeKey = KeyOf(type->get<std::string>(), where / "type");
    plan.type = FindHostType(plan.typeKey);

    if (const Json* storage = Optional(field, "storage")) {
        if (*storage != "layout" && *storage != "entry") {
            Fail(where / "storage",
                 fmt::format("expected \"layout\" or \"entry\", found {}", storage->dump()));
        }
        plan.layout = *storage == "layout";
    }
    plan.array = OptionalBool(field, "array", where, false);
    plan.definition = OptionalBool(field, "definition", where, true);

    const std::optional<uint32_t> size = OptionalCount(field, "size", where, 1);
    if (plan.type != nullptr) {
        if (size) {
            Fail(where / "size", fmt::format("\"size\" is only for a type the sandbox does not "
                                             "know; {} is {} bytes",
                                             plan.type->name, plan.type->size));
        }
        plan.size = plan.type->size;
    } else {
        if (!size) {
            // Most likely a slip in a known name; else a type of the game's own.
            std::vector<std::string> known;
            for (const HostType& host : HostTypes()) {
                known.emplace_back(host.name);
            }
            const auto meant = ClosestSpelling(type->get<std::string>(), known);
            Fail(where / "type",
                 meant ? fmt::format("unknown type {}; did you mean \"{}\"?", type->dump(), *meant)
                       : fmt::format("type {} is not known to the sandbox: give its \"size\" "
                                     "next to it",
                                     type->dump()));
        }
        plan.size = *size;
    }

    for (const char* key : {"capacity", "elementSize"}) {
        if (!plan.array && Optional(field, key) != nullptr) {
            Fail(where / key, fmt::format("\"{}\" is only for an array field", key));
        }
    }
    plan.capacity = OptionalCount(field, "capacity", where);
    plan.elementSize = OptionalCount(field, "elementSize", where);
    if (plan.elementSize && Effective(*plan.elementSize) < plan.size) {
        Fail(where / "elementSize", fmt::format("element size {} is smaller than the {} bytes "
                                                "of the type",
                                                *plan.elementSize, plan.size));
    }
    plan.alignment = Description::LayoutAlignment(plan.type, plan.size, plan.array);
    if (const Json* offset = Optional(field, "offset")) {
        if (!plan.layout) {
            Fail(where / "offset", "\"offset\" is only for a field with \"storage\": \"layout\"");
        }
        if (!offset->is_number_unsigned() || offset->get<uint64_t>() > 0xFFFF) {
            Fail(where / "offset",
                 fmt::format("expected a byte offset from 0 to 65535, found {}", offset->dump()));
        }
        plan.givenOffset = offset->get<uint32_t>();
    }
    if (const Json* note = Optional(field, "note")) {
        plan.note = RequireNote(*note, where / "note");
    }
    return plan;
}

const Json* OptionalObject(const Json& object, const char* key, const Pointer& where,
                           std::string_view what) {
    const Json* value = Optional(object, key);
    if (value != nullptr && !value->is_object()) {
        Fail(where / key,
             fmt::format("expected an object of {}, found {}", what, value->type_name()));
    }
    return value;
}

// The collections as declared, each with its parent in the class, or in
// another class (found once every class is read).
std::vector<CollectionPlan> ReadCollections(const Json& collections, const Pointer& where,
                                            std::unordered_map<uint32_t, std::size_t>& byKey) {
    if (!collections.is_object()) {
        Fail(where, fmt::format("expected an object, found {}", collections.type_name()));
    }
    std::vector<CollectionPlan> declared;
    std::vector<const Json*> parentNames;
    // A class may hold thousands of collections: found by key, not by a search.
    for (const auto& [name, collection] : collections.items()) {
        // Made once for the collection: locations are lists of names, and a
        // description may hold thousands of collections.
        CollectionPlan plan;
        plan.where = where / name;
        const Pointer& at = plan.where;
        RequireObject(collection, at, {"parent", "values", "array", "raw", "gaps", "note"});
        RequireNoteIfAny(collection, at);
        plan.name = name;
        plan.key = KeyOf(name, at);
        if (const auto [other, added] = byKey.try_emplace(plan.key, declared.size()); !added) {
            Fail(at, fmt::format("\"{}\" and \"{}\" are the same key", declared[other->second].name,
                                 name));
        }
        plan.values = OptionalObject(collection, "values", at, "field values");
        plan.arrayFlags = OptionalObject(collection, "array", at, "true or false by field");
        plan.raw = OptionalObject(collection, "raw", at, "hexadecimal bytes by field");
        plan.gaps = OptionalObject(collection, "gaps", at, "hexadecimal bytes by offset");
        const Json* parent = Optional(collection, "parent");
        if (parent != nullptr && parent->is_object()) {
            RequireObject(*parent, at / "parent", {"class", "collection"});
            const Json* cls = Optional(*parent, "class");
            const Json* in = Optional(*parent, "collection");
            if (cls == nullptr || !cls->is_string() || in == nullptr || !in->is_string()) {
                Fail(at / "parent",
                     "expected the names of a class and of a collection in it: "
                     "{\"class\": ..., \"collection\": ...}");
            }
            plan.parentElsewhere = ParentElsewhere{
                .classKey = KeyOf(cls->get<std::string>(), at / "parent" / "class"),
                .className = cls->get<std::string>(),
                .collectionKey = KeyOf(in->get<std::string>(), at / "parent" / "collection"),
                .collectionName = in->get<std::string>()};
            parent = nullptr;
        } else if (parent != nullptr && !parent->is_string()) {
            Fail(at / "parent",
                 "expected the name of a collection of the same class, or {\"class\": ..., "
                 "\"collection\": ...}");
        }
        parentNames.push_back(parent);
        declared.push_back(std::move(plan));
    }
    for (std::size_t i = 0; i < declared.size(); ++i) {
        if (parentNames[i] == nullptr) {
            continue;
        }
        const Pointer at = declared[i].where / "parent";
        const auto parent = byKey.find(KeyOf(parentNames[i]->get<std::string>(), at));
        if (parent == byKey.end()) {
            Fail(at, fmt::format("no collection {} in this class", parentNames[i]->dump()));
        }
        declared[i].parent = parent->second;
    }
    return declared;
}

// Each value of one collection, resolved to its field.
template <typename Visit>
void ForEachValueOf(const ClassPlan& plan, const CollectionPlan& collection, Visit&& visit) {
    if (collection.values == nullptr) {
        return;
    }
    // One location, its last step changed from value to value: building a
    // new one for each of tens of thousands of values would cost more than
    // reading them.
    Pointer at = collection.where;
    at.push_back("values");
    for (const auto& [name, value] : collection.values->items()) {
        at.push_back(name);
        const FieldPlan* field = plan.FindField(KeyOf(name, at));
        if (field == nullptr) {
            Fail(at, fmt::format("class \"{}\" has no field \"{}\"", plan.name, name));
        }
        visit(*field, value, at);
        at.pop_back();
    }
}

template <typename Visit>
void ForEachValue(const ClassPlan& plan, Visit&& visit) {
    for (const CollectionPlan& collection : plan.collections) {
        ForEachValueOf(plan, collection, visit);
    }
}

// The room of each layout array (unless given, enough for the longest value
// of any collection), then the offsets in declaration order.
void PlaceLayout(ClassPlan& plan) {
    std::unordered_map<uint32_t, uint32_t> longest;
    ForEachValue(plan, [&](const FieldPlan& field, const Json& value, const Pointer& at) {
        if (field.layout && field.array) {
            const ArrayValue array = ReadArrayValue(value, at);
            uint32_t& room = longest[field.key];
            room =
                std::max(room, array.capacity.value_or(static_cast<uint32_t>(array.items->size())));
        }
    });
    for (FieldPlan& field : plan.fields) {
        field.roomElementSize = field.ElementSize();
        field.roomCapacity = field.capacity.value_or(longest[field.key]);
    }
    uint32_t end = 0;
    std::vector<const FieldPlan*> layout;
    for (FieldPlan& field : plan.fields) {
        if (!field.layout) {
            continue;
        }
        // Without an offset, after every layout field declared before it.
        field.offset = field.givenOffset.value_or(Description::AlignUp(end, field.alignment));
        end = std::max(end, field.offset + field.LayoutBytes());
        layout.push_back(&field);
    }
    plan.layoutSize = Description::AlignUp(end, 4);
    // Two fields sharing bytes would change each other: only given offsets can.
    std::stable_sort(layout.begin(), layout.end(),
                     [](const FieldPlan* a, const FieldPlan* b) { return a->offset < b->offset; });
    for (std::size_t i = 1; i < layout.size(); ++i) {
        const FieldPlan& first = *layout[i - 1];
        const FieldPlan& second = *layout[i];
        if (first.offset + first.LayoutBytes() > second.offset) {
            const FieldPlan& later = &first > &second ? first : second;
            const FieldPlan& other = &first > &second ? second : first;
            Fail(later.givenOffset ? later.where / "offset" : later.where,
                 fmt::format("bytes {} to {} of the layout block overlap \"{}\" (bytes {} to {})",
                             later.offset, later.offset + later.LayoutBytes() - 1, other.name,
                             other.offset, other.offset + other.LayoutBytes() - 1));
        }
    }
}

ClassPlan ReadClass(const std::string& name, const Json& description, const Pointer& where) {
    RequireObject(description, where, {"fields", "collections", "note"});
    RequireNoteIfAny(description, where);
    ClassPlan plan;
    plan.name = name;
    plan.where = where;
    plan.key = KeyOf(name, where);
    if (const Json* fields = Optional(description, "fields")) {
        if (!fields->is_object()) {
            Fail(where / "fields",
                 fmt::format("expected an object, found {}", fields->type_name()));
        }
        for (const auto& [fieldName, field] : fields->items()) {
            FieldPlan read = ReadField(fieldName, field, where / "fields" / fieldName);
            if (const FieldPlan* same = plan.FindField(read.key)) {
                Fail(read.where,
                     fmt::format("\"{}\" and \"{}\" are the same key", same->name, fieldName));
            }
            plan.fieldByKey.emplace(read.key, plan.fields.size());
            plan.fields.push_back(std::move(read));
        }
    }
    if (const Json* collections = Optional(description, "collections")) {
        plan.collections =
            ReadCollections(*collections, where / "collections", plan.collectionByKey);
    }
    PlaceLayout(plan);
    return plan;
}

// The bytes of one array record: header, then the items in slots of the
// element size, with room for the capacity. With `base` (a field's raw
// bytes), the record starts as those bytes and the value is written over
// them: the header's word at 0x06 and the bytes no item takes stay theirs.
std::vector<uint8_t> ArrayRecord(const FieldPlan& field, const ArrayValue& array, uint32_t capacity,
                                 uint32_t elementSize, const TextMaker& makeText,
                                 const std::optional<std::string>& base, const Pointer& baseWhere) {
    const auto count = static_cast<uint32_t>(array.items->size());
    if (count > capacity) {
        Fail(array.itemsWhere / capacity,
             fmt::format("{} items do not fit the capacity {}", count, capacity));
    }
    const uint32_t slot = Effective(elementSize);
    std::vector<uint8_t> record(8 + capacity * slot);
    if (base) {
        if (base->size() < record.size()) {
            Fail(baseWhere, fmt::format("{} bytes are fewer than the {} of the array record",
                                        base->size(), record.size()));
        }
        std::copy_n(base->begin(), record.size(), record.begin());
    }
    const uint16_t header[3] = {static_cast<uint16_t>(capacity), static_cast<uint16_t>(count),
                                static_cast<uint16_t>(elementSize)};
    std::memcpy(record.data(), header, sizeof header);
    Pointer item = array.itemsWhere;
    for (uint32_t i = 0; i < count; ++i) {
        item.push_back(std::to_string(i));
        EncodeValue(field.type, (*array.items)[i], item,
                    std::span(record).subspan(8 + i * slot, field.size), makeText,
                    base.has_value());
        item.pop_back();
    }
    return record;
}

// The bytes a collection's "raw" gives for a field, which must be `size` of
// them (when `size` is given): laid first, then the value is written over them.
std::optional<std::string> RawBytes(const CollectionPlan& collection, const FieldPlan& field,
                                    const Pointer& where) {
    if (collection.raw == nullptr) {
        return std::nullopt;
    }
    const auto found = collection.raw->find(field.name);
    if (found == collection.raw->end()) {
        return std::nullopt;
    }
    if (field.type != nullptr &&
        (field.type->kind == ValueKind::Text || field.type->kind == ValueKind::StringKey)) {
        Fail(where, "a field of texts has no raw bytes: the loader makes its texts itself");
    }
    const std::optional<std::string> bytes =
        found->is_string() ? Hex::BytesOf(found->get_ref<const std::string&>()) : std::nullopt;
    if (!bytes) {
        Fail(where, "expected a string of hexadecimal bytes, two digits per byte");
    }
    return bytes;
}

void RequireRawSize(const std::optional<std::string>& raw, std::size_t size, const Pointer& where) {
    if (raw && raw->size() != size) {
        Fail(where, fmt::format("expected {} bytes, found {}", size, raw->size()));
    }
}

// Whether the collection's own entry of the field is an array: as the field
// says, unless the collection's "array" says otherwise.
bool EntryIsArray(const CollectionPlan& collection, const FieldPlan& field, const Pointer& where) {
    if (collection.arrayFlags == nullptr) {
        return field.array;
    }
    const auto found = collection.arrayFlags->find(field.name);
    if (found == collection.arrayFlags->end()) {
        return field.array;
    }
    if (field.layout) {
        Fail(where,
             "a layout field is an array or not in every collection: its entry in the "
             "class's layout table says which");
    }
    if (!found->is_boolean()) {
        Fail(where, fmt::format("expected true or false, found {}", found->type_name()));
    }
    return found->get<bool>();
}

// Checks one value and writes it into the collection.
void WriteValue(const FieldPlan& field, const CollectionPlan& plan, const Json& value,
                const Pointer& at, Collection& collection, const TextMaker& makeText) {
    const Pointer rawAt = plan.where / "raw" / field.name;
    const std::optional<std::string> raw = RawBytes(plan, field, rawAt);
    const bool array = EntryIsArray(plan, field, plan.where / "array" / field.name);
    if (raw && value.is_null()) {
        Fail(rawAt, "a null value has no bytes");
    }
    const auto base = [&](std::vector<uint8_t>& bytes) {
        if (raw) {
            std::copy(raw->begin(), raw->end(), bytes.begin());
        }
    };
    if (!array) {
        if (field.layout) {
            RequireRawSize(raw, field.size, rawAt);
            std::vector<uint8_t> bytes(field.size);
            base(bytes);
            EncodeValue(field.type, value, at, bytes, makeText, raw.has_value());
            collection.WriteLayout(field.offset, bytes);
        } else if (field.size <= 4) {
            // Small values lie in the entry's value word itself.
            RequireRawSize(raw, 4, rawAt);
            std::vector<uint8_t> word(4);
            base(word);
            EncodeValue(field.type, value, at, std::span(word).first(field.size), makeText,
                        raw.has_value());
            uint32_t entryWord = 0;
            std::memcpy(&entryWord, word.data(), word.size());
            collection.SetEntry(field.key, entryWord);
        } else if (value.is_null()) {
            // The game's entry may point nowhere: lookups then find no value.
            collection.SetEntry(field.key, 0);
        } else {
            RequireRawSize(raw, field.size, rawAt);
            std::vector<uint8_t> bytes(field.size);
            base(bytes);
            EncodeValue(field.type, value, at, bytes, makeText, raw.has_value());
            collection.SetOutOfLine(field.key, std::span<const uint8_t>(bytes));
        }
        return;
    }

    if (!field.layout && value.is_null()) {
        collection.SetEntry(field.key, 0, kArrayFlag);
        return;
    }
    const ArrayValue arrayValue = ReadArrayValue(value, at);
    const Pointer sizeAt = value.is_object() ? at / "elementSize" : at;
    const uint32_t count = static_cast<uint32_t>(arrayValue.items->size());
    if (field.layout) {
        const uint32_t elementSize = arrayValue.elementSize.value_or(field.roomElementSize);
        const uint32_t capacity = arrayValue.capacity.value_or(field.roomCapacity);
        if (Effective(elementSize) < field.size) {
            Fail(sizeAt, fmt::format("element size {} is smaller than the {} bytes of the type",
                                     elementSize, field.size));
        }
        if (8 + capacity * Effective(elementSize) > field.LayoutBytes()) {
            Fail(at, fmt::format("{} elements of {} bytes do not fit the {}-byte room of the "
                                 "layout field",
                                 capacity, Effective(elementSize), field.LayoutBytes()));
        }
        RequireRawSize(raw, field.LayoutBytes(), rawAt);
        if (raw) {
            collection.WriteLayout(
                field.offset,
                std::span(reinterpret_cast<const uint8_t*>(raw->data()), raw->size()));
        }
        const auto record =
            ArrayRecord(field, arrayValue, capacity, elementSize, makeText, raw, rawAt);
        collection.WriteLayout(field.offset, record);
        return;
    }
    // An entry that is an array against its field has no declared element
    // size or capacity: the type's size and the count are its plain ones.
    const uint32_t elementSize =
        arrayValue.elementSize.value_or(field.array ? field.ElementSize() : field.size);
    const uint32_t capacity =
        arrayValue.capacity.value_or(field.array ? field.capacity.value_or(count) : count);
    if (Effective(elementSize) < field.size) {
        Fail(sizeAt, fmt::format("element size {} is smaller than the {} bytes of the type",
                                 elementSize, field.size));
    }
    RequireRawSize(raw, 8 + capacity * Effective(elementSize), rawAt);
    collection.SetArrayRecord(
        field.key, ArrayRecord(field, arrayValue, capacity, elementSize, makeText, raw, rawAt));
}

// "raw" and "array" say more of a value the collection gives: of a field of
// the class, with a value in "values".
void RequireValuesFor(const ClassPlan& plan, const CollectionPlan& collection, const Json* more,
                      const char* key) {
    if (more == nullptr) {
        return;
    }
    for (const auto& [name, unused] : more->items()) {
        const Pointer at = collection.where / key / name;
        const FieldPlan* field = plan.FindField(KeyOf(name, at));
        if (field == nullptr) {
            Fail(at, fmt::format("class \"{}\" has no field \"{}\"", plan.name, name));
        }
        if (collection.values == nullptr || !collection.values->contains(name)) {
            Fail(at, fmt::format("\"{}\" has no value in this collection's \"values\"", name));
        }
    }
}

// "gaps": bytes of the layout block that no field takes, by their offset.
void WriteGaps(const ClassPlan& plan, const CollectionPlan& collection, Collection& built) {
    if (collection.gaps == nullptr) {
        return;
    }
    for (const auto& [offsetText, hex] : collection.gaps->items()) {
        const Pointer at = collection.where / "gaps" / offsetText;
        uint32_t offset = 0;
        const auto [end, error] =
            std::from_chars(offsetText.data(), offsetText.data() + offsetText.size(), offset);
        if (error != std::errc() || end != offsetText.data() + offsetText.size()) {
            Fail(at, fmt::format("expected a byte offset in the layout block, found \"{}\"",
                                 offsetText));
        }
        const std::optional<std::string> bytes =
            hex.is_string() ? Hex::BytesOf(hex.get_ref<const std::string&>()) : std::nullopt;
        if (!bytes || bytes->empty()) {
            Fail(at, "expected a string of hexadecimal bytes, two digits per byte");
        }
        const uint64_t last = uint64_t{offset} + bytes->size();
        if (last > plan.layoutSize) {
            Fail(at, fmt::format("{} bytes at offset {} do not fit the {}-byte layout block",
                                 bytes->size(), offset, plan.layoutSize));
        }
        for (const FieldPlan& field : plan.fields) {
            if (field.layout && offset < field.offset + field.LayoutBytes() &&
                field.offset < last) {
                Fail(at, fmt::format("bytes {} to {} overlap the layout field \"{}\"", offset,
                                     last - 1, field.name));
            }
        }
        built.WriteLayout(
            offset, std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
    }
}

FieldFacts FactsOf(const FieldPlan& field) {
    FieldFacts facts{.typeKey = field.typeKey,
                     .size = field.size,
                     .array = field.array,
                     .capacity = field.capacity,
                     .elementSize = field.elementSize,
                     .note = field.note};
    if (field.layout && field.array) {
        facts.capacity = field.roomCapacity;
        facts.elementSize = field.roomElementSize;
    }
    return facts;
}

void BuildClass(Database& database, const ClassPlan& plan) {
    Class cls = database.AddClass(plan.key, plan.layoutSize);
    for (const FieldPlan& field : plan.fields) {
        if (field.definition) {
            cls.Define(field.key, field.typeKey);
        }
        if (field.layout) {
            cls.AddLayoutEntry(field.key, field.offset,
                               field.array ? FieldShape::Array : FieldShape::Single);
        }
        // What the records cannot hold, for a dump to describe the field again.
        cls.NoteField(field.key, FactsOf(field));
    }
}

// One collection of a class, in a class or another, for the order of building.
struct CollectionAt {
    std::size_t cls;
    std::size_t collection;
};

// The parent of each collection found in its class, for one of another class.
void ResolveParentsElsewhere(const std::vector<ClassPlan>& plans,
                             std::vector<std::vector<std::optional<CollectionAt>>>& elsewhere) {
    std::unordered_map<uint32_t, std::size_t> classByKey;
    for (std::size_t c = 0; c < plans.size(); ++c) {
        classByKey.emplace(plans[c].key, c);
    }
    elsewhere.resize(plans.size());
    for (std::size_t c = 0; c < plans.size(); ++c) {
        elsewhere[c].resize(plans[c].collections.size());
        for (std::size_t i = 0; i < plans[c].collections.size(); ++i) {
            const CollectionPlan& collection = plans[c].collections[i];
            if (!collection.parentElsewhere) {
                continue;
            }
            const ParentElsewhere& parent = *collection.parentElsewhere;
            const Pointer at = collection.where / "parent";
            const auto cls = classByKey.find(parent.classKey);
            if (cls == classByKey.end()) {
                Fail(at / "class", fmt::format("no class \"{}\"", parent.className));
            }
            const auto& byKey = plans[cls->second].collectionByKey;
            const auto found = byKey.find(parent.collectionKey);
            if (found == byKey.end()) {
                Fail(at / "collection", fmt::format("no collection \"{}\" in class \"{}\"",
                                                    parent.collectionName, parent.className));
            }
            elsewhere[c][i] = CollectionAt{cls->second, found->second};
        }
    }
}

// Every collection of every class, each after its parent, wherever that is.
std::vector<CollectionAt> BuildingOrder(
    const std::vector<ClassPlan>& plans,
    const std::vector<std::vector<std::optional<CollectionAt>>>& elsewhere) {
    enum class Mark : uint8_t { None, Open, Done };
    std::vector<std::vector<Mark>> marks(plans.size());
    for (std::size_t c = 0; c < plans.size(); ++c) {
        marks[c].assign(plans[c].collections.size(), Mark::None);
    }
    const auto parentOf = [&](CollectionAt at) -> std::optional<CollectionAt> {
        const CollectionPlan& plan = plans[at.cls].collections[at.collection];
        if (plan.parent) {
            return CollectionAt{at.cls, *plan.parent};
        }
        return elsewhere[at.cls][at.collection];
    };
    std::vector<CollectionAt> order;
    std::vector<CollectionAt> chain;
    for (std::size_t c = 0; c < plans.size(); ++c) {
        for (std::size_t i = 0; i < plans[c].collections.size(); ++i) {
            // Up the parents to one already placed, then placed from the top down.
            for (std::optional<CollectionAt> at = CollectionAt{c, i};
                 at && marks[at->cls][at->collection] != Mark::Done; at = parentOf(*at)) {
                Mark& mark = marks[at->cls][at->collection];
                if (mark == Mark::Open) {
                    const CollectionPlan& plan = plans[at->cls].collections[at->collection];
                    Fail(plan.where / "parent",
                         fmt::format("collection \"{}\" is its own ancestor", plan.name));
                }
                mark = Mark::Open;
                chain.push_back(*at);
            }
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
                marks[it->cls][it->collection] = Mark::Done;
                order.push_back(*it);
            }
            chain.clear();
        }
    }
    return order;
}

void BuildCollections(Database& database, const std::vector<ClassPlan>& plans) {
    std::vector<std::vector<std::optional<CollectionAt>>> elsewhere;
    ResolveParentsElsewhere(plans, elsewhere);
    const TextMaker databaseText = [&database](const std::string& text) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(database.CopyText(text)));
    };
    std::vector<std::vector<std::optional<Collection>>> built(plans.size());
    for (std::size_t c = 0; c < plans.size(); ++c) {
        built[c].resize(plans[c].collections.size());
    }
    // A child's layout block starts as a copy of its parent's, so each
    // collection gets its values before its children are constructed.
    for (const CollectionAt at : BuildingOrder(plans, elsewhere)) {
        const ClassPlan& plan = plans[at.cls];
        const CollectionPlan& collection = plan.collections[at.collection];
        Class cls = database.GetClass(plan.key);
        std::optional<CollectionAt> parent = elsewhere[at.cls][at.collection];
        if (collection.parent) {
            parent = CollectionAt{at.cls, *collection.parent};
        }
        Collection made =
            parent ? cls.AddCollection(collection.key, *built[parent->cls][parent->collection])
                   : cls.AddCollection(collection.key);
        RequireValuesFor(plan, collection, collection.raw, "raw");
        RequireValuesFor(plan, collection, collection.arrayFlags, "array");
        ForEachValueOf(plan, collection,
                       [&](const FieldPlan& field, const Json& value, const Pointer& valueAt) {
                           WriteValue(field, collection, value, valueAt, made, databaseText);
                       });
        WriteGaps(plan, collection, made);
        built[at.cls][at.collection] = made;
    }
}

}  // namespace

void LoadDescription(Database& database, const Json& description) {
    const Pointer root;
    if (!database.Classes().empty()) {
        Fail(root, "the database to load into already has classes");
    }
    RequireObject(description, root, {"classes", "note"});
    RequireNoteIfAny(description, root);
    std::vector<ClassPlan> plans;
    if (const Json* classes = Optional(description, "classes")) {
        if (!classes->is_object()) {
            Fail(root / "classes",
                 fmt::format("expected an object, found {}", classes->type_name()));
        }
        std::unordered_map<uint32_t, std::size_t> classByKey;
        for (const auto& [name, cls] : classes->items()) {
            ClassPlan plan = ReadClass(name, cls, root / "classes" / name);
            if (const auto [other, added] = classByKey.try_emplace(plan.key, plans.size());
                !added) {
                Fail(plan.where, fmt::format("\"{}\" and \"{}\" are the same key",
                                             plans[other->second].name, name));
            }
            plans.push_back(std::move(plan));
        }
    }
    // Each value is checked as it is written, in the order a separate pass
    // over them all would check them; a bad one takes the database back to
    // the empty one it was, so that a bad description leaves it empty. (One
    // pass: checking every value of thousands of collections first would
    // encode each of them twice.)
    const std::shared_ptr<const DatabaseSnapshot> empty = database.TakeSnapshot();
    try {
        for (const ClassPlan& plan : plans) {
            BuildClass(database, plan);
        }
        BuildCollections(database, plans);
    } catch (...) {
        database.Restore(*empty);
        throw;
    }
}

Json ReadDescriptionFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw DescriptionError("", fmt::format("cannot read {}: no such file", name));
    }
    if (std::filesystem::is_directory(status)) {
        throw DescriptionError("", fmt::format("cannot read {}: it is a folder", name));
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw DescriptionError("", fmt::format("cannot read {}: {}", name, std::strerror(errno)));
    }
    // Read in large blocks: a description of thousands of collections is
    // megabytes, too many to take a character at a time.
    std::string text;
    if (const auto size = std::filesystem::file_size(path, error); !error) {
        text.reserve(static_cast<std::size_t>(size));
    }
    std::array<char, 64 * 1024> block;
    while (file.read(block.data(), block.size()) || file.gcount() > 0) {
        text.append(block.data(), static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        throw DescriptionError("", fmt::format("cannot read {}: {}", name, std::strerror(errno)));
    }
    try {
        return ParseOrderedJson(text);
    } catch (const Json::parse_error& failure) {
        throw DescriptionError(
            "", fmt::format("{} is not valid JSON: {}", name, ParseProblem(text, failure)));
    }
}

}  // namespace rakor::Sandbox

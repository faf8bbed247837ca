#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sandbox/DatabaseDescription.h"
#include "sandbox/HostValueCodec.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;

uint32_t Effective(uint32_t elementSize) {
    return elementSize == 0 ? 4u : elementSize;
}

const uint8_t* AddressOf(uint32_t word) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(word));
}

// One field of a class as host memory and the class's field facts show it.
struct DumpField {
    uint32_t key = 0;
    std::string name;
    bool layout = false;
    uint32_t offset = 0;
    bool array = false;
    bool definition = false;
    uint32_t typeKey = 0;
    const HostType* type = nullptr;
    uint32_t size = 4;
    // Entry arrays: the field-level capacity that was given, and the element
    // size of a plain list. Layout arrays: the header of a plain list, which
    // is also the room the field has in the block.
    std::optional<uint32_t> capacity;
    uint32_t elementSize = 0;
    uint32_t roomCapacity = 0;

    uint32_t LayoutBytes() const {
        return array ? 8 + roomCapacity * Effective(elementSize) : size;
    }
};

// A value of the field's type out of `available` bytes at `address`; bytes the
// host does not give (an element narrower than its type) read as zero.
Json DecodeAt(const DumpField& field, const uint8_t* address, uint32_t available) {
    std::vector<uint8_t> bytes(field.size);
    std::memcpy(bytes.data(), address, std::min(available, field.size));
    return DecodeValue(field.type, bytes);
}

// An array record as a plain list, or as an object where its header differs
// from what a plain list would get.
Json DecodeArray(const DumpField& field, const ArrayHeader& header, uint32_t plainCapacity,
                 uint32_t maxBytes) {
    const uint32_t slot = header.ElementSize();
    // Never read past the record's room, whatever the header claims.
    const uint32_t count = std::min<uint32_t>(header.count, (maxBytes - 8) / slot);
    Json items = Json::array();
    for (uint32_t i = 0; i < count; ++i) {
        items.push_back(DecodeAt(field, header.Elements() + i * slot, slot));
    }
    if (header.capacity == plainCapacity && header.elementSize == field.elementSize) {
        return items;
    }
    Json object = Json::object();
    if (header.capacity != plainCapacity) {
        object["capacity"] = header.capacity;
    }
    if (header.elementSize != field.elementSize) {
        object["elementSize"] = header.elementSize;
    }
    object["items"] = std::move(items);
    return object;
}

class ClassDumper {
public:
    explicit ClassDumper(const Class& cls) : cls_(cls) { CollectFields(); }

    Json Dump() {
        // Appended, not assigned by name: ordered_json finds a name by
        // walking its members, which for a class of 50,000 collections takes
        // seconds. A later collection with the same key has taken the key
        // over in lookups; it is the one written, in the first one's place.
        Json collections = Json::object();
        Json::object_t& members = collections.get_ref<Json::object_t&>();
        std::unordered_map<std::string, std::size_t> placed;
        for (const Collection& collection : cls_.Collections()) {
            std::string name = KeyText(collection.GetKey());
            Json dumped = DumpCollection(collection);
            const auto [at, added] = placed.try_emplace(name, members.size());
            if (added) {
                members.emplace_back(std::move(name), std::move(dumped));
            } else {
                (members.begin() + static_cast<std::ptrdiff_t>(at->second))->second =
                    std::move(dumped);
            }
        }
        Json fields = Json::object();
        for (const DumpField& field : fields_) {
            fields[field.name] = DumpFieldSpec(field, collections);
        }
        Json result = Json::object();
        if (!fields.empty()) {
            result["fields"] = std::move(fields);
        }
        if (!collections.empty()) {
            result["collections"] = std::move(collections);
        }
        return result;
    }

private:
    DumpField& Field(uint32_t key) {
        const auto [at, added] = fieldOf_.try_emplace(key, fields_.size());
        if (!added) {
            return fields_[at->second];
        }
        DumpField& field = fields_.emplace_back();
        field.key = key;
        field.name = KeyText(key);
        return field;
    }

    // Fields come from the layout table, the definitions and the own entries
    // in host memory; the facts the class keeps add what memory cannot say.
    void CollectFields() {
        // In the order the class was told of them, as its description declared them.
        for (const uint32_t key : cls_.Fields()) {
            Field(key);
        }
        for (const LayoutEntry& entry : cls_.LayoutFields()) {
            DumpField& field = Field(entry.key);
            field.layout = true;
            field.offset = entry.offset;
            field.array = (entry.flags & kArrayFlag) != 0;
        }
        for (const FieldDefinition& definition : cls_.Definitions()) {
            DumpField& field = Field(definition.key);
            field.definition = true;
            field.typeKey = definition.typeKey;
        }
        for (const Collection& collection : cls_.Collections()) {
            for (const OwnEntry& entry : collection.OwnEntries()) {
                DumpField& field = Field(entry.key);
                field.array = field.array || (!field.layout && (entry.flags & kArrayFlag) != 0);
            }
        }
        for (DumpField& field : fields_) {
            const FieldFacts* facts = cls_.FindFieldFacts(field.key);
            if (!field.definition && facts != nullptr) {
                field.typeKey = facts->typeKey;
            }
            if (facts != nullptr && !field.layout) {
                field.array = field.array || facts->array;
            }
            field.type = FindHostType(field.typeKey);
            if (field.type != nullptr) {
                field.size = field.type->size;
            } else if (facts != nullptr) {
                field.size = facts->size;
            } else if (field.layout && !field.array) {
                field.size = LayoutGap(field);
            }
            field.elementSize = field.size;
            if (facts != nullptr && facts->array == field.array) {
                field.capacity = facts->capacity;
                field.elementSize = facts->elementSize.value_or(field.size);
            }
            if (field.layout && field.array) {
                field.roomCapacity = field.capacity ? *field.capacity
                                                    : (std::max(LayoutGap(field), 8u) - 8) /
                                                          Effective(field.elementSize);
            }
        }
    }

    // Without facts, a layout field is taken to reach to the next one.
    uint32_t LayoutGap(const DumpField& field) const {
        uint32_t end = cls_.LayoutSize();
        for (const LayoutEntry& entry : cls_.LayoutFields()) {
            if (entry.offset > field.offset) {
                end = std::min(end, entry.offset);
            }
        }
        return end - field.offset;
    }

    Json DumpCollection(const Collection& collection) const {
        Json result = Json::object();
        const std::optional<Collection> parent = collection.Parent();
        if (parent) {
            result["parent"] = KeyText(parent->GetKey());
        }
        Json values = Json::object();
        const std::span<const uint8_t> block = collection.LayoutBytes();
        const std::span<const uint8_t> inherited =
            parent ? std::span<const uint8_t>(parent->LayoutBytes()) : std::span<const uint8_t>();
        for (const DumpField& field : fields_) {
            if (!field.layout || field.offset >= block.size()) {
                continue;
            }
            const uint32_t width =
                std::min<uint32_t>(field.LayoutBytes(), block.size() - field.offset);
            const auto own = block.subspan(field.offset, width);
            const bool same =
                inherited.size() == block.size()
                    ? std::equal(own.begin(), own.end(), inherited.begin() + field.offset)
                    : std::all_of(own.begin(), own.end(), [](uint8_t b) { return b == 0; });
            if (same) {
                continue;
            }
            if (field.array) {
                const auto& header = *reinterpret_cast<const ArrayHeader*>(own.data());
                values[field.name] = DecodeArray(field, header, field.roomCapacity, width);
            } else {
                values[field.name] = DecodeAt(field, own.data(), width);
            }
        }
        for (const OwnEntry& entry : collection.OwnEntries()) {
            const DumpField& field = fields_[fieldOf_.at(entry.key)];
            // The host finds a layout field in the block, whatever entries say.
            if (!field.layout) {
                values[field.name] = DumpEntry(field, entry);
            }
        }
        if (!values.empty()) {
            result["values"] = std::move(values);
        }
        return result;
    }

    static Json DumpEntry(const DumpField& field, const OwnEntry& entry) {
        if ((entry.flags & kArrayFlag) != 0) {
            if (entry.value == 0) {
                return nullptr;
            }
            const auto& header = *reinterpret_cast<const ArrayHeader*>(AddressOf(entry.value));
            const uint32_t recordBytes = 8 + header.capacity * header.ElementSize();
            return DecodeArray(field, header, field.capacity.value_or(header.count), recordBytes);
        }
        if (field.size <= 4) {
            return DecodeAt(field, reinterpret_cast<const uint8_t*>(&entry.value), 4);
        }
        if (entry.value == 0) {
            return nullptr;
        }
        return DecodeAt(field, AddressOf(entry.value), field.size);
    }

    // What the loader would take as the room of a layout array without a
    // capacity: enough for the longest value written.
    static uint32_t DefaultRoom(const DumpField& field, const Json& collections) {
        uint32_t room = 0;
        for (const auto& [name, collection] : collections.items()) {
            const auto values = collection.find("values");
            if (values == collection.end() || !values->contains(field.name)) {
                continue;
            }
            const Json& value = (*values)[field.name];
            const Json& items = value.is_object() ? value["items"] : value;
            room = std::max(room, value.is_object() && value.contains("capacity")
                                      ? value["capacity"].get<uint32_t>()
                                      : static_cast<uint32_t>(items.size()));
        }
        return room;
    }

    Json DumpFieldSpec(const DumpField& field, const Json& collections) const {
        Json described = Json::object();
        described["type"] = KeyText(field.typeKey);
        if (field.layout) {
            described["storage"] = "layout";
        }
        if (field.array) {
            described["array"] = true;
            if (field.layout ? field.roomCapacity != DefaultRoom(field, collections)
                             : field.capacity.has_value()) {
                described["capacity"] = field.layout ? field.roomCapacity : *field.capacity;
            }
            if (field.elementSize != field.size) {
                described["elementSize"] = field.elementSize;
            }
        }
        if (field.type == nullptr) {
            described["size"] = field.size;
        }
        if (!field.definition) {
            described["definition"] = false;
        }
        return described;
    }

    Class cls_;
    std::vector<DumpField> fields_;
    std::unordered_map<uint32_t, std::size_t> fieldOf_;  // by key: the place in fields_
};

}  // namespace

Json DumpDescription(const Database& database) {
    Json classes = Json::object();
    for (const Class& cls : database.Classes()) {
        classes[KeyText(cls.GetKey())] = ClassDumper(cls).Dump();
    }
    return Json{{"classes", std::move(classes)}};
}

}  // namespace rakor::Sandbox

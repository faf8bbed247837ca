#include "description/ClassWriter.h"

#include <algorithm>
#include <cstring>

#include "host/HostStorage.h"

namespace rakor::Description {
namespace {

uint32_t Effective(uint32_t elementSize) {
    return elementSize == 0 ? 4u : elementSize;
}

const uint8_t* AddressOf(uint32_t word) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(word));
}

// A value of the field's type out of `available` bytes at `address`; bytes the
// host does not give (an element narrower than its type) read as zero.
Json ValueAt(const FieldShape& field, const uint8_t* address, uint32_t available,
             const NameWriter& names) {
    std::vector<uint8_t> bytes(field.size);
    std::memcpy(bytes.data(), address, std::min(available, field.size));
    return DecodeValue(field.type, bytes, names);
}

// An array record as a plain list, or as an object where its header differs
// from what a plain list would get.
Json ArrayAt(const FieldShape& field, const uint8_t* record, uint32_t plainCapacity,
             uint32_t maxBytes, const NameWriter& names) {
    const auto header = Host::LoadFrom<Host::ArrayHeader>(record);
    const uint32_t slot = header.ElementSize();
    // Never read past the record's room, whatever the header claims.
    const uint32_t count = std::min<uint32_t>(header.count, (maxBytes - 8) / slot);
    Json items = Json::array();
    for (uint32_t i = 0; i < count; ++i) {
        items.push_back(ValueAt(field, record + 8 + i * slot, slot, names));
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

// What a loader takes as the room of a layout array without a capacity:
// enough for the longest value written.
uint32_t DefaultRoom(const FieldShape& field, const Json& collections) {
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

}  // namespace

uint32_t FieldShape::LayoutBytes() const {
    return array ? 8 + roomCapacity * Effective(elementSize) : size;
}

ClassWriter::ClassWriter(std::vector<FieldShape> fields, uint32_t layoutSize,
                         const NameWriter& names)
    : fields_(std::move(fields)), layoutSize_(layoutSize), names_(names) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        byKey_.try_emplace(fields_[i].key, i);
    }
}

const FieldShape* ClassWriter::Find(uint32_t key) const {
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : &fields_[found->second];
}

Json ClassWriter::Collection(const Host::CollectionRecord& collection,
                             const std::optional<std::string>& parentName) const {
    Json result = Json::object();
    if (parentName) {
        result["parent"] = *parentName;
    }
    Json values = Json::object();
    const uint8_t* const block = collection.layoutBlock;
    const uint8_t* const inherited =
        collection.parent != nullptr ? collection.parent->layoutBlock : nullptr;
    for (const FieldShape& field : fields_) {
        if (!field.layout || block == nullptr || field.offset >= layoutSize_) {
            continue;
        }
        const uint32_t width = std::min(field.LayoutBytes(), layoutSize_ - field.offset);
        const uint8_t* const own = block + field.offset;
        const bool same = inherited != nullptr
                              ? std::memcmp(own, inherited + field.offset, width) == 0
                              : std::all_of(own, own + width, [](uint8_t b) { return b == 0; });
        if (same) {
            continue;
        }
        values[field.name] = field.array ? ArrayAt(field, own, field.roomCapacity, width, names_)
                                         : ValueAt(field, own, width, names_);
    }
    for (const Host::CollectionEntry& entry : collection.OwnEntries()) {
        const FieldShape* field = Find(entry.key);
        // The host finds a layout field in the block, whatever entries say.
        if (field != nullptr && !field->layout) {
            values[field->name] = EntryValue(*field, entry);
        }
    }
    if (!values.empty()) {
        result["values"] = std::move(values);
    }
    return result;
}

Json ClassWriter::EntryValue(const FieldShape& field, const Host::CollectionEntry& entry) const {
    if ((entry.flags & Host::kEntryIsArray) != 0) {
        if (entry.value == 0) {
            return nullptr;
        }
        const auto header = Host::LoadFrom<Host::ArrayHeader>(AddressOf(entry.value));
        const uint32_t recordBytes = 8 + header.capacity * header.ElementSize();
        return ArrayAt(field, AddressOf(entry.value), field.capacity.value_or(header.count),
                       recordBytes, names_);
    }
    // Small values lie in the entry's value word itself.
    if (field.size <= 4) {
        return ValueAt(field, reinterpret_cast<const uint8_t*>(&entry.value), 4, names_);
    }
    if (entry.value == 0) {
        return nullptr;
    }
    return ValueAt(field, AddressOf(entry.value), field.size, names_);
}

Json ClassWriter::Fields(const Json& collections) const {
    Json fields = Json::object();
    uint32_t layoutEnd = 0;  // where a loader puts the next layout field without an offset
    for (const FieldShape& field : fields_) {
        Json described = Json::object();
        described["type"] = field.typeName;
        if (field.layout) {
            described["storage"] = "layout";
            const uint32_t natural =
                AlignUp(layoutEnd, LayoutAlignment(field.type, field.size, field.array));
            if (field.offset != natural) {
                described["offset"] = field.offset;
            }
            layoutEnd = std::max(layoutEnd, field.offset + field.LayoutBytes());
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
        if (!field.note.empty()) {
            described["note"] = field.note;
        }
        fields[field.name] = std::move(described);
    }
    return fields;
}

}  // namespace rakor::Description

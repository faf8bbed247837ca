#include "description/ClassWriter.h"

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

#include "hash/HexText.h"
#include "host/HostStorage.h"

namespace rakor::Description {
namespace {

// A note gives at most this many bytes of what it is about, then their count.
constexpr std::size_t kMostNotedBytes = 64;

uint32_t Effective(uint32_t elementSize) {
    return elementSize == 0 ? 4u : elementSize;
}

const uint8_t* AddressOf(uint32_t word) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(word));
}

bool AllZero(const uint8_t* bytes, std::size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

std::string HexOf(const uint8_t* bytes, std::size_t size) {
    return Hex::OfBytes(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

// Bytes for a note: all of them, or the first few and how many there are.
std::string NotedBytes(const uint8_t* bytes, std::size_t size) {
    if (size <= kMostNotedBytes) {
        return HexOf(bytes, size);
    }
    return fmt::format("{}... ({} bytes)", HexOf(bytes, kMostNotedBytes), size);
}

// A value whose bytes hold the address of a text: a loader makes its own
// texts, so it cannot lay such bytes as they are.
bool HoldsTextAddress(const HostType* type) {
    return type != nullptr && (type->kind == ValueKind::Text || type->kind == ValueKind::StringKey);
}

// The value of a field's type out of `available` bytes at `address`; bytes
// the host does not give read as zero.
void WriteValueAt(JsonWriter& out, const FieldShape& field, const uint8_t* address,
                  uint32_t available, const NameWriter& names) {
    uint8_t small[16] = {};
    std::vector<uint8_t> large;
    uint8_t* bytes = small;
    if (field.size > sizeof small) {
        large.resize(field.size);
        bytes = large.data();
    }
    std::memcpy(bytes, address, std::min(available, field.size));
    WriteValue(out, field.type, std::span<const uint8_t>(bytes, field.size), names);
}

// What a loader makes of an array record's header as a value writes it.
struct ArrayLayout {
    Host::ArrayHeader header;
    uint32_t slot = 4;
    uint32_t capacity = 0;  // the slots written
    uint32_t count = 0;     // the items written
};

}  // namespace

void ClassWriter::FirstEntries::Start(std::size_t entries) {
    std::size_t capacity = 16;
    while (capacity < 2 * entries) {
        capacity *= 2;
    }
    if (slots_.size() < capacity) {
        slots_.assign(capacity, Slot{});
        stamp_ = 0;
    }
    mask_ = capacity - 1;
    if (++stamp_ == 0) {  // every stamp used: the slots start afresh
        std::fill(slots_.begin(), slots_.end(), Slot{});
        stamp_ = 1;
    }
}

std::size_t ClassWriter::FirstEntries::FirstOf(uint32_t key, std::size_t index) {
    for (std::size_t at = (key * 2654435761u) & mask_;; at = (at + 1) & mask_) {
        Slot& slot = slots_[at];
        if (slot.stamp != stamp_) {
            slot = {key, static_cast<uint32_t>(index), stamp_};
            return index;
        }
        if (slot.key == key) {
            return slot.index;
        }
    }
}

uint32_t FieldShape::LayoutBytes() const {
    return array ? 8 + roomCapacity * Effective(elementSize) : size;
}

// One collection on its way out: its object, and what follows its values.
struct ClassWriter::Written {
    JsonWriter& out;
    bool valuesOpen = false;
    std::vector<std::pair<std::string_view, bool>> arrayFlags;
    std::vector<std::pair<std::string_view, std::string>> raw;
    std::vector<std::string> notes;

    // Starts the value of the field, inside "values".
    void Value(std::string_view name) {
        if (!valuesOpen) {
            out.Key("values");
            out.BeginObject();
            valuesOpen = true;
        }
        out.Key(name);
    }
};

ClassWriter::ClassWriter(std::vector<FieldShape> fields, uint32_t layoutSize,
                         const NameWriter& names)
    : fields_(std::move(fields)), layoutSize_(layoutSize), names_(names) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        byKey_.try_emplace(fields_[i].key, i);
    }
    gaps_ = Gaps();
}

const FieldShape* ClassWriter::Find(uint32_t key) const {
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : &fields_[found->second];
}

// The collections of a class mostly list their entries in the same order:
// the field at an entry's place in the last table is the likely one.
const FieldShape* ClassWriter::FindAt(std::size_t place, uint32_t key) const {
    if (place < lastAtPlace_.size() && lastAtPlace_[place].first == key) {
        return lastAtPlace_[place].second;
    }
    const FieldShape* field = Find(key);
    if (place >= lastAtPlace_.size()) {
        lastAtPlace_.resize(place + 1);
    }
    lastAtPlace_[place] = {key, field};
    return field;
}

std::vector<std::pair<uint32_t, uint32_t>> ClassWriter::Gaps() const {
    std::vector<std::pair<uint32_t, uint32_t>> taken;
    for (const FieldShape& field : fields_) {
        if (field.layout) {
            taken.emplace_back(field.offset, field.offset + field.LayoutBytes());
        }
    }
    std::sort(taken.begin(), taken.end());
    std::vector<std::pair<uint32_t, uint32_t>> gaps;
    uint32_t at = 0;
    for (const auto& [start, end] : taken) {
        if (start > at) {
            gaps.emplace_back(at, std::min(start, layoutSize_));
        }
        at = std::max(at, end);
    }
    if (at < layoutSize_) {
        gaps.emplace_back(at, layoutSize_);
    }
    std::erase_if(gaps, [](const auto& gap) { return gap.first >= gap.second; });
    return gaps;
}

namespace {

// The header a value gives of an array record that has `roomBytes` bytes,
// clipped to that room; what the record claims beyond it goes to `notes`.
std::optional<ArrayLayout> ReadArray(const FieldShape& field, const uint8_t* record,
                                     uint32_t roomBytes, std::vector<std::string>& notes) {
    ArrayLayout array;
    array.header = Host::LoadFrom<Host::ArrayHeader>(record);
    array.slot = array.header.ElementSize();
    const std::string header = HexOf(record, sizeof(Host::ArrayHeader));
    if (array.slot < field.size) {
        notes.push_back(fmt::format(
            "The array header of '{}' gives elements of {} bytes, fewer than the {} of its type, "
            "which a description cannot lay out: the value is left out (header {}).",
            field.name, array.slot, field.size, header));
        return std::nullopt;
    }
    const uint32_t fit = roomBytes < 8 ? 0 : (roomBytes - 8) / array.slot;
    array.capacity = std::min<uint32_t>(array.header.capacity, fit);
    if (array.header.capacity > fit) {
        notes.push_back(fmt::format(
            "The array header of '{}' claims {} element slots, more than the {} that fit its "
            "room: written with {} (header {}).",
            field.name, array.header.capacity, fit, fit, header));
    }
    array.count = std::min<uint32_t>(array.header.count, array.capacity);
    if (array.header.count > array.capacity) {
        notes.push_back(fmt::format(
            "The array header of '{}' counts {} elements, more than its {} slots: the first {} "
            "are written (header {}).",
            field.name, array.header.count, array.capacity, array.count, header));
    }
    return array;
}

// Whether the record holds bytes its value does not say: the header's word
// at 0x06, element slots beyond an element's value, slots beyond the count.
bool LeavesBytesOut(const FieldShape& field, const uint8_t* record, const ArrayLayout& array) {
    if (Host::LoadFrom<uint16_t>(record + 6) != 0) {
        return true;
    }
    for (uint32_t i = 0; i < array.count; ++i) {
        const uint8_t* const slot = record + 8 + i * array.slot;
        if (!AllZero(slot + field.size, array.slot - field.size) ||
            LeavesBytesOut(field.type, std::span<const uint8_t>(slot, field.size))) {
            return true;
        }
    }
    const uint8_t* const unused = record + 8 + array.count * array.slot;
    return !AllZero(unused, (array.capacity - array.count) * array.slot);
}

void WriteArray(JsonWriter& out, const FieldShape& field, const uint8_t* record,
                const ArrayLayout& array, uint32_t plainCapacity, uint32_t plainElementSize,
                const NameWriter& names) {
    const bool plain =
        array.capacity == plainCapacity && array.header.elementSize == plainElementSize;
    if (!plain) {
        out.BeginObject();
        if (array.capacity != plainCapacity) {
            out.Key("capacity");
            out.UInt(array.capacity);
        }
        if (array.header.elementSize != plainElementSize) {
            out.Key("elementSize");
            out.UInt(array.header.elementSize);
        }
        out.Key("items");
    }
    out.BeginArray();
    for (uint32_t i = 0; i < array.count; ++i) {
        WriteValueAt(out, field, record + 8 + i * array.slot, array.slot, names);
    }
    out.EndArray();
    if (!plain) {
        out.EndObject();
    }
}

// The room a loader takes from a layout array's value: its capacity when
// it gives one, else its number of items.
uint32_t RoomAskedFor(const FieldShape& field, const ArrayLayout& array) {
    return array.capacity != field.roomCapacity ? array.capacity : array.count;
}

}  // namespace

void ClassWriter::CountRooms(const Host::CollectionRecord& collection, const uint8_t* inherited,
                             std::vector<uint32_t>& rooms) const {
    rooms.resize(fields_.size());
    const uint8_t* const block = collection.layoutBlock;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldShape& field = fields_[i];
        if (!field.layout || !field.array || block == nullptr || field.offset >= layoutSize_) {
            continue;
        }
        const uint32_t width = std::min(field.LayoutBytes(), layoutSize_ - field.offset);
        const uint8_t* const own = block + field.offset;
        const bool same = inherited != nullptr
                              ? std::memcmp(own, inherited + field.offset, width) == 0
                              : AllZero(own, width);
        std::vector<std::string> ignored;
        if (same) {
            continue;
        }
        if (const auto array = ReadArray(field, own, width, ignored)) {
            rooms[i] = std::max(rooms[i], RoomAskedFor(field, *array));
        }
    }
}

void ClassWriter::WriteLayoutValue(Written& written, const FieldShape& field, const uint8_t* own,
                                   uint32_t width, const uint8_t* inherited) const {
    bool leavesOut = false;
    if (field.array) {
        const auto array = ReadArray(field, own, width, written.notes);
        if (!array) {
            return;
        }
        written.Value(field.name);
        WriteArray(written.out, field, own, *array, field.roomCapacity, field.elementSize, names_);
        // The room past the record keeps what the block held before (the
        // parent's bytes, or zero), unless the raw bytes say otherwise.
        const uint32_t recordEnd = 8 + array->capacity * array->slot;
        const uint8_t* const before = inherited != nullptr ? inherited + field.offset : nullptr;
        leavesOut = LeavesBytesOut(field, own, *array) ||
                    (before != nullptr
                         ? std::memcmp(own + recordEnd, before + recordEnd, width - recordEnd) != 0
                         : !AllZero(own + recordEnd, width - recordEnd));
    } else {
        written.Value(field.name);
        WriteValueAt(written.out, field, own, width, names_);
        leavesOut = width >= field.size &&
                    LeavesBytesOut(field.type, std::span<const uint8_t>(own, field.size));
    }
    if (!leavesOut) {
        return;
    }
    if (HoldsTextAddress(field.type)) {
        written.notes.push_back(
            fmt::format("The bytes of '{}' in the layout block hold more than its value says, "
                        "which a description cannot carry for a field of texts: {}.",
                        field.name, NotedBytes(own, width)));
    } else {
        written.raw.emplace_back(field.name, HexOf(own, width));
    }
}

void ClassWriter::WriteEntryValue(Written& written, const FieldShape& field,
                                  const Host::CollectionEntry& entry) const {
    const bool isArray = (entry.flags & Host::kEntryIsArray) != 0;
    if (isArray != field.array) {
        written.arrayFlags.emplace_back(field.name, isArray);
    }
    const uint8_t* const target = AddressOf(entry.value);
    if (isArray) {
        if (target == nullptr) {
            written.Value(field.name);
            written.out.Null();
            return;
        }
        const auto header = Host::LoadFrom<Host::ArrayHeader>(target);
        const uint32_t recordBytes = 8 + header.capacity * header.ElementSize();
        const auto array = ReadArray(field, target, recordBytes, written.notes);
        if (!array) {
            return;
        }
        written.Value(field.name);
        // A field that is no array in the description has no declared
        // element size or capacity: its type's size and the count are plain.
        WriteArray(written.out, field, target, *array,
                   field.array ? field.capacity.value_or(array->count) : array->count,
                   field.array ? field.elementSize : field.size, names_);
        if (!LeavesBytesOut(field, target, *array)) {
            return;
        }
        const uint32_t bytes = 8 + array->capacity * array->slot;
        if (HoldsTextAddress(field.type)) {
            written.notes.push_back(
                fmt::format("The array record of '{}' holds more than its value says, which a "
                            "description cannot carry for a field of texts: {}.",
                            field.name, NotedBytes(target, bytes)));
        } else {
            written.raw.emplace_back(field.name, HexOf(target, bytes));
        }
        return;
    }
    written.Value(field.name);
    // Small values lie in the entry's value word itself.
    if (field.size <= 4) {
        const auto* const word = reinterpret_cast<const uint8_t*>(&entry.value);
        WriteValueAt(written.out, field, word, 4, names_);
        if (!AllZero(word + field.size, 4 - field.size)) {
            written.raw.emplace_back(field.name, HexOf(word, 4));
        }
        return;
    }
    if (target == nullptr) {
        written.out.Null();
        return;
    }
    WriteValueAt(written.out, field, target, field.size, names_);
    if (LeavesBytesOut(field.type, std::span<const uint8_t>(target, field.size))) {
        written.raw.emplace_back(field.name, HexOf(target, field.size));
    }
}

std::size_t ClassWriter::WriteCollection(JsonWriter& out, const Host::CollectionRecord& collection,
                                         const OwnEntries& own,
                                         const std::optional<ParentRef>& parent,
                                         const uint8_t* inherited,
                                         std::vector<std::string> notes) const {
    Written written{
        .out = out, .valuesOpen = false, .arrayFlags = {}, .raw = {}, .notes = std::move(notes)};
    out.BeginObject();
    if (parent) {
        WriteParent(out, *parent);
    }
    const uint8_t* const block = collection.layoutBlock;
    for (const FieldShape& field : fields_) {
        if (!field.layout || block == nullptr || field.offset >= layoutSize_) {
            continue;
        }
        const uint32_t width = std::min(field.LayoutBytes(), layoutSize_ - field.offset);
        const uint8_t* const bytes = block + field.offset;
        const bool same = inherited != nullptr
                              ? std::memcmp(bytes, inherited + field.offset, width) == 0
                              : AllZero(bytes, width);
        if (!same) {
            WriteLayoutValue(written, field, bytes, width, inherited);
        }
    }
    // The host takes the first entry of a key, and finds a layout field in
    // the block whatever the entries say.
    firstEntries_.Start(own.entries.size());
    for (std::size_t i = 0; i < own.entries.size(); ++i) {
        const Host::CollectionEntry& entry = own.entries[i];
        const FieldShape* field = FindAt(i, entry.key);
        const std::size_t first = firstEntries_.FirstOf(entry.key, i);
        const bool added = first == i;
        const auto* const bytes = reinterpret_cast<const uint8_t*>(&entry);
        if (field == nullptr || !added || field->layout) {
            const std::string name(field != nullptr ? field->name : names_.key(entry.key));
            written.notes.push_back(
                !added ? fmt::format("Entry {} of its own entries holds '{}' again, after entry "
                                     "{}; the game takes the first (entry {}: {}).",
                                     i, name, first, i, HexOf(bytes, sizeof entry))
                : field != nullptr
                    ? fmt::format("Entry {} of its own entries holds '{}', which the game finds in "
                                  "the layout block instead (entry {}: {}).",
                                  i, name, i, HexOf(bytes, sizeof entry))
                    : fmt::format("Entry {} of its own entries holds '{}', a field the "
                                  "description does not declare (entry {}: {}).",
                                  i, name, i, HexOf(bytes, sizeof entry)));
            continue;
        }
        WriteEntryValue(written, *field, entry);
    }
    if (!own.leftOut.empty()) {
        written.notes.push_back(own.leftOut);
    }
    if (written.valuesOpen) {
        out.EndObject();
    }
    if (!written.arrayFlags.empty()) {
        out.Key("array");
        out.BeginObject();
        for (const auto& [name, isArray] : written.arrayFlags) {
            out.Key(name);
            out.Bool(isArray);
        }
        out.EndObject();
    }
    if (!written.raw.empty()) {
        out.Key("raw");
        out.BeginObject();
        for (const auto& [name, hex] : written.raw) {
            out.Key(name);
            out.String(hex);
        }
        out.EndObject();
    }
    bool gapsOpen = false;
    for (const auto& [start, end] : block != nullptr ? gaps_ : decltype(gaps_)()) {
        const uint8_t* const bytes = block + start;
        const bool same = inherited != nullptr
                              ? std::memcmp(bytes, inherited + start, end - start) == 0
                              : AllZero(bytes, end - start);
        if (same) {
            continue;
        }
        if (!gapsOpen) {
            out.Key("gaps");
            out.BeginObject();
            gapsOpen = true;
        }
        out.Key(std::to_string(start));
        out.String(HexOf(bytes, end - start));
    }
    if (gapsOpen) {
        out.EndObject();
    }
    if (!written.notes.empty()) {
        out.Key("note");
        out.String(fmt::format("{}", fmt::join(written.notes, " ")));
    }
    out.EndObject();
    return written.notes.empty() ? 0 : 1;
}

void ClassWriter::WriteParent(JsonWriter& out, const ParentRef& parent) {
    out.Key("parent");
    if (!parent.className) {
        out.String(parent.name);
        return;
    }
    out.BeginObject();
    out.Key("class");
    out.String(*parent.className);
    out.Key("collection");
    out.String(parent.name);
    out.EndObject();
}

void ClassWriter::WriteFields(JsonWriter& out, const std::vector<uint32_t>& rooms) const {
    out.BeginObject();
    uint32_t layoutEnd = 0;  // where a loader puts the next layout field without an offset
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldShape& field = fields_[i];
        out.Key(field.name);
        out.BeginObject();
        out.Key("type");
        out.String(field.typeName);
        if (field.layout) {
            out.Key("storage");
            out.String("layout");
            const uint32_t natural =
                AlignUp(layoutEnd, LayoutAlignment(field.type, field.size, field.array));
            if (field.offset != natural) {
                out.Key("offset");
                out.UInt(field.offset);
            }
            layoutEnd = std::max(layoutEnd, field.offset + field.LayoutBytes());
        }
        if (field.array) {
            out.Key("array");
            out.Bool(true);
            const uint32_t room = i < rooms.size() ? rooms[i] : 0;
            if (field.layout ? field.roomCapacity != room : field.capacity.has_value()) {
                out.Key("capacity");
                out.UInt(field.layout ? field.roomCapacity : *field.capacity);
            }
            if (field.elementSize != field.size) {
                out.Key("elementSize");
                out.UInt(field.elementSize);
            }
        }
        if (field.type == nullptr) {
            out.Key("size");
            out.UInt(field.size);
        }
        if (!field.definition) {
            out.Key("definition");
            out.Bool(false);
        }
        if (!field.note.empty()) {
            out.Key("note");
            out.String(field.note);
        }
        out.EndObject();
    }
    out.EndObject();
}

}  // namespace rakor::Description

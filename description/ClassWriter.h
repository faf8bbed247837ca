#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "description/JsonWriter.h"
#include "description/ValueForms.h"
#include "host/HostRecords.h"

namespace rakor::Description {

// One field of a class as a description writes it: what the host's records
// say of it, and what only its writer knows (its type's name, a declared
// capacity, a note).
struct FieldShape {
    uint32_t key = 0;
    std::string name;
    std::string typeName;
    const HostType* type = nullptr;  // null: a type a description does not know
    uint32_t size = 4;               // bytes of one value
    bool layout = false;
    uint32_t offset = 0;  // layout fields: in the collection's layout block
    bool array = false;
    bool definition = true;  // the class has a definition record for it
    // Entry arrays: the capacity the field declares, which a plain list gets
    // (unset: its count).
    std::optional<uint32_t> capacity;
    uint32_t elementSize = 0;   // arrays: the element size a plain list gets
    uint32_t roomCapacity = 0;  // layout arrays: the element slots of the room in the block
    std::string note;           // for people: what the description cannot say

    // The bytes the field takes in a layout block.
    uint32_t LayoutBytes() const;
};

// Where a collection's parent is written: by its name, and by its class's
// name too when that is not the collection's own class.
struct ParentRef {
    std::string name;
    std::optional<std::string> className;
};

// What a collection's own entry table is, as the caller could read it.
struct OwnEntries {
    std::span<const Host::CollectionEntry> entries;
    // Why the table is left out (its count is absurd, say); empty when it is read.
    std::string leftOut;
};

// Writes a class of host records as a description: its collections' values
// read from host memory, its fields with what a loader needs to lay them out
// again. Defaults are never written ("storage": "entry", "array": false, an
// array's capacity and element size when they are a plain list's, a layout
// offset where a loader would put the field anyway), so that two writers
// that know the same write the same.
//
// A value comes back byte for byte: where a value's written form leaves
// bytes out (the third word of a reference, the bytes of an entry's word
// above a value narrower than it, an array header's word at 0x06, the bytes
// of element slots beyond an element's value or beyond the count), the
// collection's "raw" gives the field's bytes, which a loader lays before it
// writes the value over them; the bytes of the layout block no field takes
// are its "gaps". What a description cannot say at all becomes the
// collection's "note", with the bytes.
class ClassWriter {
public:
    // The fields in the order the description declares them; `layoutSize`:
    // the bytes of a layout block there are to read.
    ClassWriter(std::vector<FieldShape> fields, uint32_t layoutSize, const NameWriter& names);

    // The room a loader gives each layout array without a declared capacity
    // is the longest of the values written: `rooms` (one per field) takes
    // what this collection's values ask for. `inherited`: the layout block
    // the collection's values are written against (its parent's, when the
    // description gives the parent and it is of the same class), or null.
    void CountRooms(const Host::CollectionRecord& collection, const uint8_t* inherited,
                    std::vector<uint32_t>& rooms) const;

    // "fields": the class's fields; `rooms` as CountRooms left them after
    // every collection written.
    void WriteFields(JsonWriter& out, const std::vector<uint32_t>& rooms) const;

    // {"parent": ..., "values": ..., "array": ..., "raw": ..., "gaps": ...,
    // "note": ...}: the collection's own entries, and the layout values that
    // differ from `inherited` (from zero without one). Reads host memory
    // through the record's pointers. `notes`: what the caller has to say of
    // the collection, written with the writer's own. Returns how many notes
    // the object carries (0 or 1).
    std::size_t WriteCollection(JsonWriter& out, const Host::CollectionRecord& collection,
                                const OwnEntries& own, const std::optional<ParentRef>& parent,
                                const uint8_t* inherited, std::vector<std::string> notes) const;

    // "parent": its name, or {"class": ..., "collection": ...}.
    static void WriteParent(JsonWriter& out, const ParentRef& parent);

    const FieldShape* Find(uint32_t key) const;
    const std::vector<FieldShape>& Fields() const { return fields_; }

private:
    struct Written;

    void WriteLayoutValue(Written& written, const FieldShape& field, const uint8_t* own,
                          uint32_t width, const uint8_t* inherited) const;
    void WriteEntryValue(Written& written, const FieldShape& field,
                         const Host::CollectionEntry& entry) const;
    const FieldShape* FindAt(std::size_t place, uint32_t key) const;
    // The bytes of layout blocks that no field takes, as [start, end) ranges.
    std::vector<std::pair<uint32_t, uint32_t>> Gaps() const;

    // The first entry of each key in one own entry table, found in time
    // linear in the table, with no allocation from one collection to the next.
    class FirstEntries {
    public:
        void Start(std::size_t entries);
        // The index of the first entry of `key`: `index` when it is the first.
        std::size_t FirstOf(uint32_t key, std::size_t index);

    private:
        struct Slot {
            uint32_t key = 0;
            uint32_t index = 0;
            uint32_t stamp = 0;  // the table it belongs to; another stamp: free
        };
        std::vector<Slot> slots_;
        std::size_t mask_ = 0;
        uint32_t stamp_ = 0;
    };

    std::vector<FieldShape> fields_;
    std::unordered_map<uint32_t, std::size_t> byKey_;
    mutable FirstEntries firstEntries_;
    mutable std::vector<std::pair<uint32_t, const FieldShape*>> lastAtPlace_;
    uint32_t layoutSize_;
    std::vector<std::pair<uint32_t, uint32_t>> gaps_;
    const NameWriter& names_;
};

}  // namespace rakor::Description

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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

// Writes a class of host records as a description: its collections' values
// read from host memory, its fields with what a loader needs to lay them out
// again. Defaults are never written ("storage": "entry", "array": false, an
// array's capacity and element size when they are a plain list's, a layout
// offset where a loader would put the field anyway), so that two writers
// that know the same write the same.
class ClassWriter {
public:
    // The fields in the order the description declares them; `layoutSize`:
    // the bytes of a layout block there are to read.
    ClassWriter(std::vector<FieldShape> fields, uint32_t layoutSize, const NameWriter& names);

    // {"parent": ..., "values": ...}: the collection's own entries, and the
    // layout values that differ from its parent's (from zero at the root).
    // Reads host memory through the record's pointers.
    Json Collection(const Host::CollectionRecord& collection,
                    const std::optional<std::string>& parentName) const;

    // The class's "fields", given its written "collections" (the room of a
    // layout array without a declared capacity is its longest value's).
    Json Fields(const Json& collections) const;

    const FieldShape* Find(uint32_t key) const;

private:
    Json EntryValue(const FieldShape& field, const Host::CollectionEntry& entry) const;

    std::vector<FieldShape> fields_;
    std::unordered_map<uint32_t, std::size_t> byKey_;
    uint32_t layoutSize_;
    const NameWriter& names_;
};

}  // namespace rakor::Description

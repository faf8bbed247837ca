#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sandbox/Database.h"

// The bookkeeping behind a database's records, shared by the files of the
// database (not a part of its interface).
namespace rakor::Sandbox {

// What a class's first word points to: the class's collection table, plus
// the rest of the class's bookkeeping. The record is a block of its own, so
// that a class passed where its first word belongs is told apart.
struct ClassState {
    ClassRecord* record = nullptr;
    std::vector<LayoutEntry> layout;
    std::map<uint32_t, std::unique_ptr<FieldDefinition>> definitions;  // in key order
    FlatMap<uint32_t, FieldDefinition*> definitionOf;                  // for the host's lookup
    // Key to the collection that lookups find; a later collection with the
    // same key takes the key over.
    FlatMap<uint32_t, CollectionRecord*> lookup;
    std::vector<CollectionRecord*> collections;  // in order of construction
    std::unordered_map<uint32_t, FieldFacts> facts;
    // Every field the class was told of, in the order it was first told.
    std::vector<uint32_t> fields;
    std::unordered_set<uint32_t> fieldKnown;

    void Learn(uint32_t field) {
        if (fieldKnown.insert(field).second) {
            fields.push_back(field);
        }
    }
};

struct CollectionState {
    CollectionRecord* record = nullptr;
    ClassState* owner = nullptr;
    bool byLibrary = false;
    std::vector<OwnEntry> entries;

    void SyncEntries() {
        record->entries = entries.empty() ? nullptr : entries.data();
        record->entryCount = static_cast<uint32_t>(entries.size());
    }
};

}  // namespace rakor::Sandbox

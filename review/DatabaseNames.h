#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "host/HostRecords.h"
#include "review/EditTarget.h"
#include "review/NameSuggestions.h"
#include "sandbox/FlatMap.h"

namespace vxmod {

// The name a class or collection key is shown by: the name it was made from, else
// the hash list's.
std::string DatabaseName(uint32_t key);

// The names of the running database's classes, collections and fields, for
// a modder who misspelt one, and the names collections are shown by. What it
// lists it keeps for the run, learning the collections that lines make: the
// loader never changes a class's definitions, and the host has no way to add
// entries to a collection.
class DatabaseNames {
public:
    // "; did you mean 'X'?", or the names themselves when there are few, or nothing.
    std::string ClassSuggestion(std::string_view word);
    std::string CollectionSuggestion(uint32_t classKey, std::string_view word);
    // A field written with a subscript was probably meant to be an array.
    std::string FieldSuggestion(uint32_t classKey, std::string_view word, bool subscripted);
    // Whether the class has a field of that name anywhere: in its layout,
    // its definitions or a collection's own entries.
    bool IsFieldOf(uint32_t classKey, std::string_view name) {
        return FieldNamesOf(classKey).Contains(name);
    }

    // The name of the collection at `record` (one of the class at
    // `classRecord`), into a string that keeps its room from line to line;
    // "?" when it is none of the class's.
    void NameCollection(const rakor::Host::CollectionRecord* record,
                        const rakor::Host::ClassRecord* classRecord, std::string& name);

    // A line made a collection: it is known by its name from now on.
    void Made(const MadeCollection& made);
    // A line may have made one, without saying which: learnt again when asked.
    void MayHaveMadeOne() { collectionNames_.clear(); }

private:
    NameList& CollectionNamesOf(uint32_t classKey);
    NameList& FieldNamesOf(uint32_t classKey);
    NameList& ArrayNamesOf(uint32_t classKey);

    // The classes' names. Lines add no class, so the list is made once, and
    // again when a key in it has got a name since: a pack for a class that is
    // not there names it on every line (listing the classes each time was a
    // sixth of vxmod run's instructions on the failing whole-run pack).
    std::optional<NameList> classNames_;
    // By class key. Most lines that change a parent's value name one of a
    // few parents, whose names are kept by key.
    std::unordered_map<uint32_t, NameList> collectionNames_;
    std::unordered_map<uint32_t, NameList> fieldNames_;
    std::unordered_map<uint32_t, NameList> arrayNames_;
    rakor::Sandbox::FlatMap<uint32_t, std::string> collectionNamesByKey_;
};

}  // namespace vxmod

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "LineReading.h"

namespace vxmod {

// The value a successful line changes, where it lands: the collection that
// holds the field, which may be a parent of the one the line names.
struct EditTarget {
    uint32_t classKey = 0;
    uint32_t holderKey = 0;
    uint32_t fieldKey = 0;
    int32_t element = -1;   // the array element; -1 for a single value
    bool size = false;      // resize_field: the array's element count
    std::string member;     // empty: the whole value
    std::string described;  // 'car'->'default'.'Gears'[2]['X'], for messages

    auto operator<=>(const EditTarget& other) const {
        return std::tie(classKey, holderKey, fieldKey, element, size, member) <=>
               std::tie(other.classKey, other.holderKey, other.fieldKey, other.element, other.size,
                        other.member);
    }
    bool operator==(const EditTarget& other) const { return (*this <=> other) == 0; }
};

// A collection that add_node or copy_node makes.
struct MadeCollection {
    uint32_t classKey = 0;
    uint32_t key = 0;
    bool exists = false;    // already there: the new one takes its place in lookups
    std::string described;  // 'car'->'tuned'
};

// What one line will do to the database as it stands just before the line
// runs, in a modder's words. Reads the database and never changes it.
struct LineForecast {
    std::optional<std::string> problem;  // why the line will fail
    std::vector<std::string> warnings;   // it runs, but not as written
    std::optional<EditTarget> target;
    std::optional<MadeCollection> made;
    // A text that the field keeps only as its 64-bit hash.
    std::optional<std::string> hashedText;
};

// What ForecastLine may keep from one line to the next of a run against one
// database: the names it offers in place of a name that is not there. A
// class of tens of thousands of collections makes listing them cost, and a run
// only adds collections (without entries of their own), so the lists grow by
// the collections made since.
class ForecastMemory {
public:
    struct Names {
        std::size_t collections = 0;  // of the class, listed so far
        bool started = false;
        std::vector<std::string> names;
        std::unordered_set<std::string> listed;
        std::unordered_map<std::string, std::string> suggestions;  // by the name not found
    };
    Names& CollectionNames(uint32_t classKey) { return collectionNames_[classKey]; }
    Names& FieldNames(uint32_t classKey) { return fieldNames_[classKey]; }

private:
    std::unordered_map<uint32_t, Names> collectionNames_;
    std::unordered_map<uint32_t, Names> fieldNames_;
};

// Needs the sandbox database that the line will run against.
LineForecast ForecastLine(const LineReading& line, ForecastMemory* memory = nullptr);

}  // namespace vxmod

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "LineReading.h"

namespace vxmod {

// The value a successful line changes, where it lands: the collection that
// holds the field, which may be a parent of the one the line names. Keys and
// numbers only, so that a run can keep one for every value it sets.
struct EditTarget {
    uint32_t classKey = 0;
    uint32_t holderKey = 0;  // 0 when the holder is no collection of the class
    uint32_t fieldKey = 0;
    int32_t element = -1;  // the array element; -1 for a single value
    int32_t member = -1;   // the member, by its place in the type; -1: the whole value
    bool size = false;     // resize_field: the array's element count

    bool operator==(const EditTarget&) const = default;
};

// How the line names its target, for messages: 'car'->'default'.'Gears'[2]['X'].
// Views into the line and the forecast.
struct TargetWords {
    std::string_view className;
    std::string_view field;
    std::string_view member;
    // The holder's name, as it is shown now; none when it is the name the
    // sandbox remembers for the holder's key, which stays that key's name
    // (the collection the line names by a name, which the parser remembered).
    std::optional<std::string_view> holder;
};

// A collection that add_node or copy_node makes.
struct MadeCollection {
    uint32_t classKey = 0;
    uint32_t key = 0;
    bool exists = false;         // already there: the new one takes its place in lookups
    std::string_view className;  // as the line writes them
    std::string_view name;
    // The class, and the collection that lookups found by the key before the
    // line ran (null for none).
    void* classRecord = nullptr;
    const void* holding = nullptr;
};

// What one line will do to the database as it stands just before the line
// runs, in a modder's words. Reused from line to line.
struct LineForecast {
    std::optional<std::string> problem;  // why the line will fail
    std::optional<EditTarget> target;
    TargetWords words;
    std::string holder;  // what words.holder shows, when it is not the line's collection
    std::optional<MadeCollection> made;
    // A text that the field keeps only as its 64-bit hash (a view into the line).
    std::optional<std::string_view> hashedText;

    // What it runs as, if not as written.
    std::span<const std::string> Warnings() const { return {warnings_.data(), warningCount_}; }
    void AddWarning(std::string warning) { NextWarning() = std::move(warning); }
    // An empty string for the next warning, which keeps the room an earlier
    // line's warning had: a large pack has a warning on a line in every few.
    std::string& NextWarning();

    void Clear();

private:
    std::vector<std::string> warnings_;
    std::size_t warningCount_ = 0;
};

// The name a collection key is shown by: the name it was made from, else
// the hash list's.
std::string CollectionName(uint32_t key);

// Forecasts lines against the sandbox database that they will run against;
// reads the database and never changes it. What it learns about field types
// (their forms, their members, a value to try numbers in) it keeps for the
// run: the loader never changes a class's definitions.
class LineForecaster {
public:
    LineForecaster();
    ~LineForecaster();
    LineForecaster(const LineForecaster&) = delete;
    LineForecaster& operator=(const LineForecaster&) = delete;

    void Forecast(const LineReading& line, LineForecast& forecast);
    // A line ran without failing: what it made is known by name from now on.
    // `line` is null for a line that could not be read.
    void Ran(const LineReading* line, const LineForecast& forecast);

    struct Knowledge;

private:
    std::unique_ptr<Knowledge> known_;
};

}  // namespace vxmod

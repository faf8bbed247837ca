#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sandbox/Records.h"

// What a loaded description said about a class that host memory cannot tell
// a dump again: the type of a field that has no definition record, the size
// of a type the sandbox does not know, and the room an array field was given.
// Together with the texts the description created, these are kept for the
// database that was loaded last; only one database lives at a time, so a new
// load is also the moment the previous database's texts are surely unused.
namespace rakor::Sandbox {

class Database;

struct FieldNote {
    uint32_t typeKey = 0;
    uint32_t size = 0;
    bool layout = false;
    bool array = false;
    // Arrays: the field's element count and element size as loaded (for a
    // layout array, the room it has in the block); unset when not given.
    std::optional<uint32_t> capacity;
    std::optional<uint32_t> elementSize;
};

struct ClassNotes {
    uint32_t classKey = 0;
    std::unordered_map<uint32_t, FieldNote> fields;
};

// Starts the notes of a new load, releasing the texts of the previous one.
void BeginNotes(const Database& database);
void NoteClass(const ClassRecord* record, ClassNotes notes);
// The notes of the class if this database and class are the ones loaded last.
const ClassNotes* FindClassNotes(const Database& database, const ClassRecord* record);

// A NUL-terminated copy of the text that stays until the next load or the
// end of the process; its address as a host word.
uint32_t OwnText(const std::string& text);

}  // namespace rakor::Sandbox

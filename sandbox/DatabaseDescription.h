#pragma once

#include <filesystem>

#include <nlohmann/json.hpp>

#include "description/JsonWriter.h"
#include "sandbox/Database.h"
#include "sandbox/DescriptionError.h"

// A sandbox database described in JSON, for tools that run mod scripts
// against a database given in a file and show it afterwards:
//
//     { "classes": { "car": {
//         "fields": { "Grip":  { "type": "KQ::Reflection::Float", "storage": "layout" },
//                     "Gears": { "type": "KQ::Reflection::Int32", "array": true } },
//         "collections": { "default": { "values": { "Grip": 1.5, "Gears": [1, 2, 3] } },
//                          "tuned":   { "parent": "default" } } } } }
//
// Field keys: "type" (a host type name), "storage" ("layout" or "entry"),
// "array", "capacity" and "elementSize" (arrays), "size" (a type the sandbox
// does not know), "definition" (false: the class has no definition record).
// A name that begins with "0x" is a key in hexadecimal; any other name is
// hashed with the host hash. A text that is not UTF-8 (JSON texts must be) is
// written {"bytes": "436166e9"}, its bytes in hexadecimal, and a name that is
// not UTF-8 as its "0x" key, so that a dump keeps every byte.
//
// Layout fields are placed in the order the fields object declares them (an
// ordered_json keeps the file's order), each at its natural alignment.
//
// The dump is the normalized form of the same format: a default is never
// written ("storage": "entry", "array": false, "definition": true, an array's
// capacity and element size when they are the plain ones); structure values
// are written with all their members; a collection shows only the values it
// holds itself: its own entries, and the layout values that differ from its
// parent's (from zero for a collection without parent).
namespace rakor::Sandbox {

// Builds classes, fields and collections into an empty database. Everything
// is checked before anything is built, so a DescriptionError leaves the
// database empty.
void LoadDescription(Database& database, const nlohmann::ordered_json& description);

// The database as a description, read from the host's memory: every class
// and collection, the ones the library constructed included.
nlohmann::ordered_json DumpDescription(const Database& database);
// The same, written as it is read, for a database too large to dump as one document.
void WriteDescription(const Database& database, Description::JsonWriter& out);

// The JSON document in the file; DescriptionError (with an empty pointer)
// naming the file and the position when it cannot be read or parsed.
nlohmann::ordered_json ReadDescriptionFile(const std::filesystem::path& path);

}  // namespace rakor::Sandbox

#pragma once

#include <cstdint>

#include "host/HostRecords.h"
#include "typedb/ValueReading.h"

namespace rakor::Attrib {
class IAttribType;
}

namespace rakor::Attrib::Automation {

// Why a script line failed, for a program to act on; the log's sentence is
// made from the same facts. In the order the parser and the actions meet them.
enum class Cause : uint8_t {
    None,
    // The parser: the line names a command but cannot become its action.
    TooFewArguments,
    NegativeCount,
    SubscriptNotANumber,
    SubscriptTooWide,
    NameNotHexadecimal,  // a "0x" name whose digits are no hexadecimal number
    NameTooWide,         // a "0x" name beyond 32 bits
    // The actions.
    NoClass,
    NoCollection,      // add_node and copy_node: the parent
    NoField,           // neither the collection nor a parent holds it
    UnknownFieldType,  // the class gives the field a type the library cannot write
    NotAnArray,
    TooManyElements,
    NotResizableHere,  // an array in the class layout, or a parent's
    SubscriptOutOfRange,
    ValueNotANumber,
    ValueOutOfRange,
    NoTextForm,  // the type is set member by member, or not at all
    NoMember,
    OutOfMemory,
    Other,  // an error that is no EvaluationError (a name in a value that is no key, ...)
};

// What a line looked up and changed, as far as it got: on a failure the
// cause and the keys, subscript, type and value reading involved; on a
// success where the change landed. Keys are 0 and records null where the
// line did not get to them. Views only: nothing here is owned.
struct LineFacts {
    Cause cause = Cause::None;
    // For the parser's causes: the token the cause is about.
    uint8_t token = 0;
    // Whether someone follows the run: add_node then also finds out whether
    // its key named a collection already (a lookup the game does not need).
    bool followed = false;

    uint32_t classKey = 0;
    uint32_t collectionKey = 0;  // add_node and copy_node: the parent
    uint32_t fieldKey = 0;
    uint32_t typeKey = 0;  // the field's type, as the named collection's class gives it
    int32_t subscript = 0;
    uint32_t count = 0;     // resize_field: the count asked for
    uint32_t elements = 0;  // a subscript out of range: the elements the array has

    Host::ClassRecord* classRecord = nullptr;
    Host::CollectionRecord* collection = nullptr;  // the one the line names
    Host::CollectionRecord* holder = nullptr;      // the one that holds the field
    const IAttribType* type = nullptr;             // the type the value was read with
    int32_t element = -1;                          // the array element set; -1: a single value
    ValueReading value;

    // add_node and copy_node: the new collection's key, and the collection
    // that key found before the line made its own (null for none).
    uint32_t newKey = 0;
    const void* replaced = nullptr;
};

}  // namespace rakor::Attrib::Automation

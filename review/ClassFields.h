#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "typedb/HostTypeTable.h"

namespace vxmod {

// A field a class defines, as a modder writing a line for it needs to know
// it: its type, whether it is an array, its members, how its values are written.
struct ClassField {
    std::string name{};
    uint32_t key = 0;
    uint32_t typeKey = 0;
    std::string typeName{};
    const rakor::Attrib::HostTypeRow* row = nullptr;  // null: a type the loader cannot write
    std::vector<std::string> members{};
    bool array = false;
    bool layout = false;  // in the class's layout block: every collection holds its own

    // "a whole number from 0 to 255", "set one member at a time: Front, Rear", ...
    std::string ValuesAreWritten() const;
};

// The fields the class of the current database defines (those the loader
// can find a type for), in the order it lists them.
std::vector<ClassField> FieldsOfClass(uint32_t classKey);
std::optional<ClassField> FieldOfClass(uint32_t classKey, uint32_t fieldKey);

}  // namespace vxmod

#pragma once

#include <string>

#include "ReviewedLine.h"
#include "typedb/HostTypeTable.h"

namespace vxmod {

// The row of the type under that key, or null for a key of no type.
const rakor::Attrib::HostTypeRow* RowOfType(uint32_t typeKey);

// The field or member a line's value was read into, as messages name it:
// 'Speed' (KQ::Reflection::Float), 'Rear' of 'Grip' (KQ::Reflection::Float).
std::string ValueTarget(const ReviewedLine& line);

// What a whole or decimal number type takes: "takes a whole number from 0 to 255".
std::string NumberForm(const rakor::Attrib::HostTypeRow& row);

}  // namespace vxmod

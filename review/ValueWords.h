#pragma once

#include <string>

#include "review/ReviewedLine.h"
#include "typedb/HostTypeTable.h"
#include "typedb/ValueReading.h"

namespace vxmod {

// The row of the type under that key, or null for a key of no type.
const rakor::Attrib::HostTypeRow* RowOfType(uint32_t typeKey);

// The field or member a line's value was read into, as messages name it:
// 'Speed' (KQ::Reflection::Float), 'Rear' of 'Grip' (KQ::Reflection::Float).
std::string ValueTarget(const ReviewedLine& line);

// A number (or truth value) as a reader stored it, in its shortest form.
std::string StoredText(rakor::Attrib::ValueReading::Number kind, double number);

// What a whole or decimal number type takes: "takes a whole number from 0 to 255".
std::string NumberForm(const rakor::Attrib::HostTypeRow& row);

}  // namespace vxmod

#pragma once

#include "review/LineFindings.h"
#include "review/ReviewedLine.h"

namespace vxmod {

// What a modder is told about a value the loader stored otherwise than it
// is written: a number read only in part or wrapped around, a word that
// reads as false, quotes that became part of a text. From what the value's
// reader said it read and stored.
void WarnAboutStoredValue(const ReviewedLine& line, LineFindings& findings);

}  // namespace vxmod

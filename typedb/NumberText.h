#pragma once

#include <cstddef>
#include <string_view>

namespace rakor::Attrib {

// A number read from the start of a text exactly as a formatted stream
// extraction reads it, `std::istringstream(text) >> value` with the stream's
// default flags in the classic locale (what the host's own tools did): leading
// blanks skipped, an optional sign, decimal digits, and for float a fraction
// and an exponent; the number ends at the first character that cannot
// continue it, and the rest of the text is ignored. `ok` is false where the
// extraction sets the fail bit: no number at the start, a number out of the
// type's range, a float whose exponent has no digits ("1e").
//
// `value` is what the extraction leaves in its variable: the number; 0 when
// there is none; the type's limit nearest the number when it is out of range.
// An unsigned type takes a minus sign by wrapping around ("-1" is the largest
// value), as the extraction does; `short` and `int` are range-checked as the
// standard streams check them.
//
// No stream, no locale and no C runtime conversion is involved, so nothing
// here reads or changes the process-wide C locale (a standard library may
// switch that locale around every float conversion of a stream, where
// another thread of the game could see it), and nothing allocates.
//
// `used` is how many bytes of the text the extraction took, blanks before the
// number included: up to where the number stopped, and also when it was out
// of range. It is 0 when there was no number to read.
template <typename T>
struct ExtractedNumber {
    T value;
    bool ok;
    std::size_t used = 0;
};

// T is one of bool, short, unsigned short, int, unsigned int, long long, float.
template <typename T>
ExtractedNumber<T> ExtractNumber(std::string_view text);

}  // namespace rakor::Attrib

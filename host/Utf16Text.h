#pragma once

#include <string_view>

namespace rakor {

// Whether a text file's bytes are UTF-16 (what Windows editors call
// "Unicode", and what PowerShell 5 writes with ">"), not the single bytes a
// script is read as: a UTF-16 byte-order mark at the start, or, without one,
// a zero byte in every other place of the first bytes (text in UTF-16 whose
// characters lie below U+0100, as a script's command words do) and almost
// none in the places between, so that a binary file, with zero bytes
// anywhere, is not taken for one.
bool LooksLikeUtf16(std::string_view text);

}  // namespace rakor

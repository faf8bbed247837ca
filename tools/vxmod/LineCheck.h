#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Diagnostics.h"

namespace vxmod {

// What the loader would make of one script's text, line by line, without a
// database: unknown command words, lines it rejects, arguments it ignores or
// misreads.
std::vector<Diagnostic> CheckScriptText(const std::string& displayPath, const std::string& text);

// A script saved as UTF-16 (what Windows editors call "Unicode"): the loader
// reads bytes and finds no command in it.
bool LooksLikeUtf16(std::string_view text);

}  // namespace vxmod

#pragma once

#include <iterator>
#include <string>
#include <utility>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "automation/LineFacts.h"
#include "hash/HashFormatter.h"

namespace rakor::Attrib::Automation {

// Notes why a line failed: `cause` in its facts, and in `message` the text
// the log shows, "ModifyField.Act => Class 'car' not found" (keys read as
// their names). Written into the caller's string, which a runner reuses from
// line to line. False, for `return Fail(...)`. `format` is a FMT_COMPILE
// text: a pack whose lines all fail formats one message a line, and parsing
// the format text each time was a fifth of a failing line's cost.
template <typename Format, typename... Args>
bool Fail(LineFacts& facts, std::string& message, Cause cause, const Format& format,
          Args&&... args) {
    facts.cause = cause;
    message.clear();
    fmt::format_to(std::back_inserter(message), format, std::forward<Args>(args)...);
    return false;
}

}  // namespace rakor::Attrib::Automation

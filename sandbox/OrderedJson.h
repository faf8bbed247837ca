#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

namespace rakor::Sandbox {

// The document nlohmann::ordered_json::parse(text) gives, with its very
// exceptions for text that is not JSON, built in time linear in the size of
// each object. (ordered_json's own parsing searches an object's keys for
// every key it adds; a class of thousands of collections makes that slow.)
// A key given twice keeps its first place and takes its last value. A number
// with a fraction or an exponent is the double nearest its text, or where
// that double would round to another float than the text names, the double
// next to it that rounds to that float: read as a float, it is the text read
// as a float, with one rounding.
nlohmann::ordered_json ParseOrderedJson(std::string_view text);

}  // namespace rakor::Sandbox

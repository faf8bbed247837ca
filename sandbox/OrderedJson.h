#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

namespace rakor::Sandbox {

// The document nlohmann::ordered_json::parse(text) gives, with its very
// exceptions for text that is not JSON, built in time linear in the size of
// each object. (ordered_json's own parsing searches an object's keys for
// every key it adds; a class of thousands of collections makes that slow.)
// A key given twice keeps its first place and takes its last value.
nlohmann::ordered_json ParseOrderedJson(std::string_view text);

}  // namespace rakor::Sandbox

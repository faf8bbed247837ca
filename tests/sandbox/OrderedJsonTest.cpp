#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "sandbox/OrderedJson.h"

namespace rakor::Sandbox {
namespace {

using Json = nlohmann::ordered_json;

// The same document as ordered_json's own parse, key order and repeated keys
// included, and the same exception for text that is not JSON.
TEST(OrderedJson, ParsesAsOrderedJsonParses) {
    std::string large = "{";
    for (int i = 0; i < 100; ++i) {
        large += "\"k" + std::to_string(i % 70) + "\": {\"v\": " + std::to_string(i) + "},";
    }
    large += "\"last\": [1, {\"a\": 1, \"a\": 2}]}";
    const std::string documents[] = {
        "{}",
        "[]",
        "17",
        "\"text\"",
        "null",
        "{\"b\": 1, \"a\": [true, false, null, 1.5, -2, 18446744073709551615], \"c\": {}}",
        "{\"x\": 1, \"y\": 2, \"x\": {\"z\": [3]}}",
        large,
        "{\"a\": }",
        "{\"a\": 1} trailing",
        "[1, 2",
        "",
        "{\"a\": 1, \"a\": [1, 2}",
    };
    for (const std::string& text : documents) {
        SCOPED_TRACE(text.substr(0, 60));
        std::string expected;
        try {
            expected = Json::parse(text).dump();
        } catch (const Json::exception& error) {
            expected = std::string("threw ") + error.what();
        }
        std::string parsed;
        try {
            parsed = ParseOrderedJson(text).dump();
        } catch (const Json::exception& error) {
            parsed = std::string("threw ") + error.what();
        }
        EXPECT_EQ(parsed, expected);
    }
}

}  // namespace
}  // namespace rakor::Sandbox

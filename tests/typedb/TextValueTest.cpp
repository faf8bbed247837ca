#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;

TEST(TextValue, ParseDuplicatesTheTextUpToItsFirstNul) {
    char original[] = "old";
    char* field = original;
    const auto value = Bind("KQ::Reflection::Text", &field);
    ASSERT_TRUE(value->Parse(std::string("front\0rear", 10)));
    ASSERT_NE(field, original);
    EXPECT_STREQ(field, "front");
    EXPECT_STREQ(original, "old");  // the old text is neither written nor freed
    EXPECT_EQ(*value->ToString(), "front");
    std::free(field);  // the host's memory in the game; the test's here

    ASSERT_TRUE(value->Parse(""));
    EXPECT_STREQ(field, "");
    EXPECT_EQ(*value->ToString(), "");
    std::free(field);
}

TEST(TextValue, NullTextReadsAsEmpty) {
    char* field = nullptr;
    const auto value = Bind("KQ::Reflection::Text", &field);
    EXPECT_EQ(value->ToString(), std::string());
    value->Construct();
    EXPECT_EQ(field, nullptr);
}

}  // namespace
}  // namespace rakor::Attrib

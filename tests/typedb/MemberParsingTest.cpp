#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "TypeTestSupport.h"
#include "hash/HashResolver.h"
#include "hash/StringHasher.h"
#include "typedb/KeyStructures.h"

namespace rakor::Attrib {
namespace {

using Testing::Bind;
using Testing::Filled;
using Testing::TypeNamed;

// Setting one member of a structured value: the types' own ParseMember (and
// the descriptor's ParseMemberAt, which script lines use) against Parse of
// the value GetMembers lists under the member's key, the way every member
// was set before: the same answer and the same bytes.
TEST(MemberParsing, SetsTheMemberTheMemberMapGives) {
    struct Case {
        const char* type;
        std::array<const char*, 5> members;
    };
    const Case cases[] = {
        {"AxlePair", {"Front", "Rear"}},
        {"FECarPartInfo", {"Level", "Rep", "Cost"}},
        {"JunkmanMod", {"ClassKey", "DefinitionKey", "Scale"}},
        {"Attrib::Types::Vector2", {"X", "Y"}},
        {"Attrib::Types::Vector3", {"X", "Y", "Z"}},
        {"Attrib::Types::Vector4", {"X", "Y", "Z", "W"}},
        {"Attrib::Types::Matrix", {"Values"}},
        {"Attrib::RefSpec", {"Class", "Collection"}},
        {"Attrib::StringKey", {"Collision", "Collision64"}},
    };
    const char* const texts[] = {"1.5", "-2", "abc", "engine", "", "0x10"};
    for (const Case& c : cases) {
        for (const char* member : c.members) {
            if (member == nullptr) {
                continue;
            }
            for (const std::string& name : {std::string(member), std::string("Nope"), std::string(),
                                            std::string(member) + " "}) {
                for (const char* text : texts) {
                    SCOPED_TRACE(std::string(c.type) + " [" + name + "] = \"" + text + "\"");
                    auto viaMap = Filled<64>(0x5A);
                    auto direct = Filled<64>(0x5A);
                    auto viaType = Filled<64>(0x5A);
                    const auto mapValue = Bind(c.type, viaMap.data());
                    const auto mapResult = mapValue->ITypedValue::ReadMember(name, text).result;
                    EXPECT_EQ(Bind(c.type, direct.data())->ReadMember(name, text).result,
                              mapResult);
                    EXPECT_EQ(TypeNamed(c.type)->ParseMemberAt(viaType.data(), name, text).result,
                              mapResult);
                    EXPECT_EQ(direct, viaMap);
                    EXPECT_EQ(viaType, viaMap);
                }
            }
        }
    }
}

// Setting a member makes every member name of the value into its key, which
// records the names: again after the resolver forgot them, however many
// members were set before.
TEST(MemberParsing, RecordsMemberNamesAgainAfterTheResolverForgotThem) {
    for (int round = 0; round < 3; ++round) {
        HashResolver::ResetForTesting();
        auto bytes = Filled<64>(0);
        EXPECT_TRUE(TypeNamed("Attrib::Types::Vector3")->ParseMemberAt(bytes.data(), "Y", "1"));
        EXPECT_EQ(HashResolver::Resolve(StringHasher::HashText("Z")), "Z");
    }
    HashResolver::ResetForTesting();
}

// The string key's text member points at a copy of the text: equal texts,
// not equal bytes.
TEST(MemberParsing, StringKeyVisualTakesACopyOfTheText) {
    StringKey viaMap{};
    StringKey direct{};
    const auto mapValue = Bind("Attrib::StringKey", &viaMap);
    ASSERT_TRUE(mapValue->ITypedValue::ReadMember("Visual", "Wagon"));
    ASSERT_TRUE(Bind("Attrib::StringKey", &direct)->ParseMember("Visual", "Wagon"));
    ASSERT_NE(direct.visual, nullptr);
    EXPECT_STREQ(direct.visual, viaMap.visual);
    EXPECT_NE(direct.visual, viaMap.visual);
}

}  // namespace
}  // namespace rakor::Attrib

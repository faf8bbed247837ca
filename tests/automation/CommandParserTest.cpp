#include <algorithm>
#include <cctype>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/AddNode.h"
#include "automation/CommandParser.h"
#include "automation/FieldSpec.h"
#include "automation/ModifyField.h"
#include "automation/ResizeField.h"
#include "automation/TokenScan.h"
#include "hash/HashResolver.h"

namespace rakor::Attrib::Automation {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<ScriptLine> Parse(const std::string& text) {
    std::istringstream stream(text);
    return ParseScript(stream);
}

TEST(Tokenize, SplitsOnCLocaleWhitespaceWithoutQuoting) {
    EXPECT_THAT(Tokenize(" a\tb\r\v\fc  "), ElementsAre("a", "b", "c"));
    EXPECT_THAT(Tokenize("update_field \"two words\""),
                ElementsAre("update_field", "\"two", "words\""));
    EXPECT_THAT(Tokenize(""), IsEmpty());
}

TEST(Tokenize, CommentTokenDropsTheRestOfTheLine) {
    EXPECT_THAT(Tokenize("# add_node A B C"), IsEmpty());
    EXPECT_THAT(Tokenize("add_node A B C #D E"), ElementsAre("add_node", "A", "B", "C"));
    EXPECT_THAT(Tokenize("add_node A B C#D"), ElementsAre("add_node", "A", "B", "C#D"));
}

// Tokens as the C locale's isspace splits them, a byte at a time, against the
// parser's word-at-a-time scan: every byte value, lines of every length
// around the scan's 32-byte windows, tokens and blanks of every length.
TEST(Tokenize, SplitsExactlyAsIsspaceDoes) {
    const auto reference = [](const std::string& line) {
        std::vector<std::string> tokens;
        std::string token;
        for (const char c : line + ' ') {
            if (std::isspace(static_cast<unsigned char>(c)) == 0) {
                token += c;
            } else if (!token.empty()) {
                if (token.front() == '#') {
                    break;
                }
                tokens.push_back(std::exchange(token, {}));
            }
        }
        return tokens;
    };
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const std::size_t length = random() % 100;
        while (line.size() < length) {
            // Mostly runs of letters or blanks, sometimes any byte at all.
            const uint32_t roll = random() % 8;
            const std::size_t run = 1 + random() % 12;
            for (std::size_t i = 0; i < run; ++i) {
                line += roll == 0   ? static_cast<char>(random() % 256)
                        : roll < 3  ? " \t\n\v\f\r"[random() % 6]
                        : roll == 3 ? '#'
                                    : static_cast<char>('a' + random() % 26);
            }
        }
        ASSERT_EQ(Tokenize(line), reference(line)) << round;
    }
}

// A script's pieces are split 32 bytes at a time; every line must get the
// tokens a line-by-line split gives it: texts of every length around the
// windows, lines and tokens across them, comments, every byte value. Each
// text lies at the very end of its own allocation, so that a read past it is
// caught by the sanitizer builds.
TEST(Tokenize, WindowedScanSplitsLinesAsLineByLineDoes) {
    if (!CanScanTokensInWindows()) {
        GTEST_SKIP() << "this processor has no SSE2";
    }
    using Lines = std::vector<std::vector<std::string>>;
    const auto collect = [](Lines& lines) {
        return [&lines](const LineTokens& tokens) {
            auto& line = lines.emplace_back();
            for (std::size_t i = 0; i < std::min(tokens.count, LineTokens::kMostRead); ++i) {
                line.emplace_back(tokens[i]);
            }
            line.push_back(std::to_string(tokens.count));
        };
    };
    std::mt19937 random(5);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t length = random() % 140;
        const auto text = std::make_unique<char[]>(length);
        for (std::size_t i = 0; i < length;) {
            const uint32_t roll = random() % 10;
            const std::size_t run = 1 + random() % (roll < 4 ? 40 : 6);
            for (std::size_t j = 0; j < run && i < length; ++j, ++i) {
                text[i] = roll == 0   ? static_cast<char>(random() % 256)
                          : roll == 1 ? '\n'
                          : roll < 4  ? " \t\n\v\f\r"[random() % 6]
                          : roll == 4 ? '#'
                                      : static_cast<char>('a' + random() % 26);
            }
        }
        const std::string_view view(text.get(), length);
        Lines windowed;
        Lines lineByLine;
        ForEachLineTokensInWindows(view, collect(windowed));
        ForEachLineTokensLineByLine(view, collect(lineByLine));
        ASSERT_EQ(windowed, lineByLine) << round << ": " << std::string(view);
    }
}

TEST(FieldSpec, SplitsNameAndSubscript) {
    const auto check = [](const std::string& token, const std::string& name, int32_t index) {
        const FieldSpec parsed = ParseFieldSpec(token);
        EXPECT_EQ(parsed.name, name) << token;
        EXPECT_EQ(parsed.index, index) << token;
    };
    check("Grip", "Grip", 0);
    check("Gears[3]", "Gears", 3);
    check("Gears[3", "Gears", 3);
    check("Gears[-1]", "Gears", -1);
    check("Gears[2][5]", "Gears", 2);
    check("G]x[4", "G]x", 4);
    check("[7]", "", 7);
}

TEST(FieldSpec, UnconvertibleSubscriptsThrowStandardErrors) {
    EXPECT_THROW(ParseFieldSpec("Gears[]"), std::invalid_argument);
    EXPECT_THROW(ParseFieldSpec("Gears[x]"), std::invalid_argument);
    EXPECT_THROW(ParseFieldSpec("Gears[99999999999]"), std::out_of_range);
}

TEST(ReadCount, ReadsTheLeadingUnsignedNumber) {
    EXPECT_EQ(ReadCount("7"), 7u);
    EXPECT_EQ(ReadCount("12abc"), 12u);
    EXPECT_EQ(ReadCount("0x10"), 0u);
    EXPECT_EQ(ReadCount("abc"), 0u);
    EXPECT_EQ(ReadCount("+5"), 5u);
    // Out-of-range counts stay out of range rather than becoming "empty".
    EXPECT_EQ(ReadCount("99999999999"), 4294967295u);
    // A minus sign never wraps around into a count ("-4294967295" would be 1).
    for (const char* negative : {"-1", "-4294967295", "-0", " \t-4", "-abc"}) {
        EXPECT_THROW(ReadCount(negative), std::out_of_range) << negative;
    }
}

TEST(ParseLine, LinesWithoutCommandsYieldNothing) {
    EXPECT_EQ(ParseLine(""), nullptr);
    EXPECT_EQ(ParseLine("   \t"), nullptr);
    EXPECT_EQ(ParseLine("# add_node A B C"), nullptr);
    EXPECT_EQ(ParseLine("Add_Node A B C"), nullptr);
    EXPECT_EQ(ParseLine("frobnicate everything"), nullptr);
}

TEST(ParseLine, AcceptedCommandsThatDoNothingYieldNothing) {
    EXPECT_EQ(ParseLine("delete_node C N"), nullptr);
    EXPECT_EQ(ParseLine("add_field C N F 4"), nullptr);
    EXPECT_EQ(ParseLine("add_field C N F"), nullptr);
    EXPECT_EQ(ParseLine("delete_field C N F"), nullptr);
}

TEST(ParseLine, ActionRowsBuildTheirActions) {
    EXPECT_NE(std::dynamic_pointer_cast<AddNode>(ParseLine("add_node C P N")), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<AddNode>(ParseLine("copy_node C P X N")), nullptr);
    const auto resize = std::dynamic_pointer_cast<ResizeField>(ParseLine("resize_field C N F 7 9"));
    ASSERT_NE(resize, nullptr);
    EXPECT_EQ(resize->GetNewCount(), 7u);
    EXPECT_EQ(
        std::dynamic_pointer_cast<ResizeField>(ParseLine("resize_field C N F abc"))->GetNewCount(),
        0u);
}

TEST(ParseLine, UpdateFieldFormDependsOnTokenCountAfterComments) {
    auto value = std::dynamic_pointer_cast<ModifyField>(ParseLine("update_field C N F 1.5 # note"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->GetMode(), ModifyField::Mode::Value);
    EXPECT_EQ(value->GetValue(), "1.5");

    auto member = std::dynamic_pointer_cast<ModifyField>(ParseLine("update_field C N F x 1.5"));
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member->GetMode(), ModifyField::Mode::Member);
    EXPECT_EQ(member->GetMember(), "x");
    EXPECT_EQ(member->GetValue(), "1.5");

    auto empty = std::dynamic_pointer_cast<ModifyField>(ParseLine("update_field C N F[2] \"\""));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetValue(), "");
    EXPECT_EQ(empty->GetIndex(), 2);

    // Quotes do not group: the opening word becomes the member name.
    auto quoted =
        std::dynamic_pointer_cast<ModifyField>(ParseLine("update_field C N F \"two words\""));
    ASSERT_NE(quoted, nullptr);
    EXPECT_EQ(quoted->GetMember(), "\"two");
    EXPECT_EQ(quoted->GetValue(), "words\"");
}

TEST(ParseLine, ShortLinesAreErrorsNamingTheCommand) {
    const auto message = [](const std::string& line) {
        try {
            ParseLine(line);
        } catch (const ScriptLineError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_THAT(message("update_field car default"),
                HasSubstr("update_field: needs 4 arguments but has 2"));
    EXPECT_THAT(message("add_node car"), HasSubstr("add_node: needs 3 arguments but has 1"));
    EXPECT_THAT(message("copy_node C P X"), HasSubstr("copy_node"));
    EXPECT_THAT(message("resize_field C N F"), HasSubstr("resize_field"));
    EXPECT_THAT(message("delete_node C"), HasSubstr("delete_node"));
    EXPECT_THAT(message("update_field C N Gears[x] 1"),
                HasSubstr("update_field: subscript of 'Gears[x]' is not a number"));
    EXPECT_THAT(message("update_field C N Gears[99999999999] 1"),
                HasSubstr("'Gears[99999999999]' does not fit"));
    EXPECT_THAT(message("add_node C 0xZZ N"),
                HasSubstr("add_node: name '0xZZ' is not a hexadecimal number"));
    EXPECT_THAT(message("resize_field C N 0x123456789 3"),
                HasSubstr("resize_field: name '0x123456789' does not fit in 32 bits"));
    EXPECT_EQ(message("resize_field C N F -4294967295"),
              "resize_field: count '-4294967295' is negative; a count is a whole number from 0 "
              "to 65535");
}

// Every argument a row reads has a role in the table, and nothing beyond
// what it reads has one: the parser, the review and an editor find each
// argument through these roles.
TEST(CommandTable, EveryArgumentTheRowReadsHasARoleAndNoOtherHas) {
    for (const Command& command : Commands()) {
        for (std::size_t tokens = command.arguments + 1; tokens <= command.mostRead + 3; ++tokens) {
            for (std::size_t token = 1; token < tokens + 2; ++token) {
                const bool read = token < tokens && token <= command.mostRead;
                EXPECT_EQ(command.RoleOf(tokens, token) != Role::None, read)
                    << command.word << " with " << tokens << " tokens, token " << token;
            }
        }
    }
    const Command& update = *FindCommand("update_field");
    EXPECT_EQ(update.TokenOf(5, Role::Value), 4u);
    EXPECT_EQ(update.TokenOf(5, Role::Member), 0u);
    EXPECT_EQ(update.TokenOf(7, Role::Member), 4u);
    EXPECT_EQ(FindCommand("copy_node")->TokenOf(5, Role::NewCollection), 4u);
}

// A name that cannot become a key is told by the token of its role.
TEST(CommandTable, LinesThatCannotBecomeActionsNameTheTokenOfTheRole) {
    const auto tokenOf = [](const std::string& line) {
        try {
            ParseLine(line);
        } catch (const ScriptLineError& error) {
            return static_cast<int>(error.Facts().token);
        }
        return -1;
    };
    EXPECT_EQ(tokenOf("add_node 0xZZ P N"), 1);
    EXPECT_EQ(tokenOf("add_node C 0xZZ N"), 2);
    EXPECT_EQ(tokenOf("add_node C P 0xZZ"), 3);
    EXPECT_EQ(tokenOf("copy_node C P 0xZZ N"), -1) << "the ignored word is never a key";
    EXPECT_EQ(tokenOf("copy_node C P X 0xZZ"), 4);
    EXPECT_EQ(tokenOf("resize_field C N F -1"), 4);
    EXPECT_EQ(tokenOf("update_field C 0x123456789 F 1"), 2);
    EXPECT_EQ(tokenOf("update_field C N F[x] M 1"), 3);
}

TEST(ParseScript, KeepsFailedLinesInPlaceAndNumbersLines) {
    const auto lines = Parse(
        "# comment\n"
        "add_node C P N\n"
        "\n"
        "update_field C N\n"
        "delete_node C N\n"
        "add_node C P M");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].number, 2);
    EXPECT_NE(lines[0].action, nullptr);
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[1].action, nullptr);
    EXPECT_THAT(lines[1].error, HasSubstr("update_field"));
    EXPECT_EQ(lines[2].number, 6) << "a last line without a line feed is read";
}

TEST(ParseScript, EmptyAndCommentOnlyScriptsYieldNothing) {
    EXPECT_THAT(Parse(""), IsEmpty());
    EXPECT_THAT(Parse("\n\n# a\n   # b\n"), IsEmpty());
}

TEST(ParseScript, CarriageReturnIsWhitespace) {
    const auto lines = Parse("update_field C N F 1\r\n");
    ASSERT_EQ(lines.size(), 1u);
    const auto action = std::dynamic_pointer_cast<ModifyField>(lines[0].action);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->GetMode(), ModifyField::Mode::Value);
    EXPECT_EQ(action->GetValue(), "1");
}

// Every name of every line is recorded in the order the actions convert
// them (field, collection, class), even where a line repeats the names of the
// line before: here the second line's field takes key 255 from "0xff", and its
// collection, converted after it, gives the key back to "0xff".
TEST(ParseScript, RecordsRepeatedNamesAgainAfterAnotherNameTookTheirKey) {
    HashResolver::ResetForTesting();
    ParseScriptText("update_field car 0xff F 1\nupdate_field car 0xff 0xFF 1\n");
    EXPECT_EQ(HashResolver::Resolve(255), "0xff");
    ParseScriptText("update_field car 0xFF F 1\nupdate_field car C 0xff 1\n");
    EXPECT_EQ(HashResolver::Resolve(255), "0xff");
    HashResolver::ResetForTesting();
}

}  // namespace
}  // namespace rakor::Attrib::Automation

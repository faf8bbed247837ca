#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "typedb/NumberText.h"

// ExtractNumber against the formatted stream extraction it replaces, text by
// text: the same success and the same bytes in the variable, for every type
// the value classes and the count argument read with it. The texts are every
// short text over the characters numbers are made of, and longer ones pieced
// together from signs, blanks, each type's limits and one beyond, points,
// exponents, hexadecimal look-alikes, infinities, NaN texts and garbage. A
// number that was read says how much of the text it took, as the stream does.
namespace rakor::Attrib {
namespace {

template <typename T>
::testing::AssertionResult SameAsStream(const std::string& text) {
    std::istringstream stream(text);
    T streamed{};
    stream >> streamed;
    const ExtractedNumber<T> extracted = ExtractNumber<T>(text);
    if (extracted.ok != !stream.fail() ||
        std::memcmp(&extracted.value, &streamed, sizeof(T)) != 0) {
        return ::testing::AssertionFailure()
               << typeid(T).name() << " from \"" << text << "\": stream "
               << (stream.fail() ? "fails" : "succeeds") << " with " << +streamed
               << ", ExtractNumber " << (extracted.ok ? "succeeds" : "fails") << " with "
               << +extracted.value;
    }
    // Where a number that was read stopped: where the stream stands after it.
    if (!stream.fail()) {
        const std::size_t stopped =
            stream.eof() ? text.size() : static_cast<std::size_t>(stream.tellg());
        if (extracted.used != stopped) {
            return ::testing::AssertionFailure()
                   << typeid(T).name() << " from \"" << text << "\": the stream read " << stopped
                   << " bytes, ExtractNumber says " << extracted.used;
        }
    }
    return ::testing::AssertionSuccess();
}

void ExpectSameForEveryType(const std::string& text) {
    EXPECT_TRUE(SameAsStream<bool>(text));
    EXPECT_TRUE(SameAsStream<short>(text));
    EXPECT_TRUE(SameAsStream<unsigned short>(text));
    EXPECT_TRUE(SameAsStream<int>(text));
    EXPECT_TRUE(SameAsStream<unsigned int>(text));
    EXPECT_TRUE(SameAsStream<long long>(text));
    EXPECT_TRUE(SameAsStream<float>(text));
}

TEST(NumberText, EveryShortTextReadsAsTheStreamReadsIt) {
    const std::string alphabet = "019-+.eEx \ta";
    std::string text;
    std::vector<std::size_t> at;
    for (std::size_t length = 0; length <= 4; ++length) {
        at.assign(length, 0);
        for (;;) {
            text.clear();
            for (const std::size_t i : at) {
                text += alphabet[i];
            }
            ExpectSameForEveryType(text);
            std::size_t digit = length;
            while (digit > 0 && ++at[digit - 1] == alphabet.size()) {
                at[--digit] = 0;
            }
            if (digit == 0) {
                break;
            }
        }
    }
}

TEST(NumberText, PiecedTogetherTextsReadAsTheStreamReadsThem) {
    const std::string_view pieces[] = {"0",
                                       "00",
                                       "1",
                                       "7",
                                       "9",
                                       "12345",
                                       "-",
                                       "+",
                                       " ",
                                       "\t",
                                       "\r\n",
                                       "\v",
                                       ".",
                                       "e",
                                       "E",
                                       "e+",
                                       "e-",
                                       "x",
                                       "X",
                                       "0x",
                                       "0x1F",
                                       "a",
                                       "inf",
                                       "nan",
                                       "infinity",
                                       "NAN(1)",
                                       std::string_view("\0", 1),
                                       "127",
                                       "128",
                                       "255",
                                       "256",
                                       "32767",
                                       "32768",
                                       "65535",
                                       "65536",
                                       "2147483647",
                                       "2147483648",
                                       "4294967295",
                                       "4294967296",
                                       "9223372036854775807",
                                       "9223372036854775808",
                                       "18446744073709551616",
                                       "3.4028235e38",
                                       "3.40282357e38",
                                       "1e38",
                                       "1e39",
                                       "1e-38",
                                       "1e-45",
                                       "7e-46",
                                       "1e-46",
                                       "1e-50",
                                       "1.17549435e-38",
                                       "16777217",
                                       "0.1",
                                       "3.14159265358979323846",
                                       "e99999999999",
                                       "e-99999999999",
                                       "000000000000000000001",
                                       "0.0000000000000000000000000000000000000000001"};
    std::mt19937 random(20261207);
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text.clear();
        for (int count = 1 + static_cast<int>(random() % 5); count > 0; --count) {
            text += pieces[random() % std::size(pieces)];
        }
        ExpectSameForEveryType(text);
    }
}

// Short decimals are computed from their digits and a power of ten rather than
// by the converter: around the largest whole number a float holds exactly
// (2^24) and the largest exact power of ten (10^10), with and without points
// and exponents, the bits must still be the stream's.
TEST(NumberText, DecimalsNearTheLimitsOfExactArithmeticReadAsTheStreamReadsThem) {
    const uint32_t mantissas[] = {0,        1,        7,        9999999,  10000000, 12345678,
                                  16777214, 16777215, 16777216, 16777217, 16777218, 33554431,
                                  99999999, 2796203,  8388607,  8388608,  8388609,  13421773};
    std::mt19937 random(20261208);
    for (int i = 0; i < 40000; ++i) {
        std::string digits = std::to_string(mantissas[random() % std::size(mantissas)]);
        if (random() % 2 == 0) {
            digits = std::to_string(random() % 20000000u);
        }
        // A point anywhere in the digits, or none; leading zeros now and then.
        const std::size_t point = random() % (digits.size() + 2);
        if (point <= digits.size()) {
            digits.insert(point, ".");
        }
        if (random() % 4 == 0) {
            digits.insert(0, std::string(random() % 4, '0'));
        }
        std::string text = (random() % 3 == 0 ? "-" : "") + digits;
        if (random() % 2 == 0) {
            const int exponent = static_cast<int>(random() % 27) - 13;
            text += (random() % 2 == 0 ? "e" : "E") + std::to_string(exponent);
        }
        EXPECT_TRUE(SameAsStream<float>(text));
    }
}

// What the callers rely on, spelled out.
TEST(NumberText, ReadsFromTheStartAndKeepsTheStreamsRules) {
    EXPECT_EQ(ExtractNumber<int>(" 12abc").value, 12);
    EXPECT_EQ(ExtractNumber<int>("0x1F").value, 0);
    EXPECT_EQ(ExtractNumber<int>("1e3").value, 1);
    EXPECT_EQ(ExtractNumber<float>("1e3").value, 1000.0f);
    EXPECT_FALSE(ExtractNumber<float>("1e").ok);
    EXPECT_FALSE(ExtractNumber<float>("inf").ok);
    EXPECT_FALSE(ExtractNumber<float>("1e39").ok);
    EXPECT_TRUE(ExtractNumber<float>("1e-50").ok);
    EXPECT_EQ(ExtractNumber<unsigned int>("-1").value, 4294967295u);
    EXPECT_FALSE(ExtractNumber<unsigned int>("4294967296").ok);
    EXPECT_EQ(ExtractNumber<unsigned int>("4294967296").value, 4294967295u);
    EXPECT_FALSE(ExtractNumber<short>("32768").ok);
    EXPECT_FALSE(ExtractNumber<int>("").ok);
}

}  // namespace
}  // namespace rakor::Attrib

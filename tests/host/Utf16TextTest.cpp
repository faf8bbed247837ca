#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "host/Utf16Text.h"

namespace rakor {
namespace {

std::string Utf16(std::string_view text, bool bigEndian, std::string_view mark = "") {
    std::string bytes(mark);
    for (const char c : text) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// What editors and shells write, against what else a file named like a
// script may hold: only the first is refused.
TEST(Utf16Text, TellsUtf16FromUtf8AndFromBinaryFiles) {
    const std::string script = "add_node car default b\r\nupdate_field car b TopSpeed 250\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        bool utf16;
    };
    constexpr char kProgramStart[] =
        "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0\xB8\0\0\0\0\0\0\0@\0\0\0";
    std::string peHeader(kProgramStart, sizeof kProgramStart - 1);
    peHeader.resize(512, '\0');
    peHeader.replace(128, 4, std::string("PE\0\0", 4));
    std::string sparseNuls = script + script;
    sparseNuls[10] = '\0';
    std::string accented = Utf16(script, false);
    accented.replace(20, 2, "\x00\x01", 2);  // U+0100, whose low byte is zero
    const Case cases[] = {
        {"Notepad's Unicode (little-endian, with its mark)", Utf16(script, false, "\xFF\xFE"),
         true},
        {"big-endian, with its mark", Utf16(script, true, "\xFE\xFF"), true},
        {"little-endian without a mark", Utf16(script, false), true},
        {"big-endian without a mark", Utf16(script, true), true},
        {"a character here and there whose low byte is zero", accented, true},
        {"UTF-8", script, false},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + script, false},
        {"UTF-8 with a stray NUL byte", sparseNuls, false},
        {"a program's header, zero bytes in every place", peHeader, false},
        {"too short to tell", std::string("a\0", 2), false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LooksLikeUtf16(c.bytes), c.utf16) << c.what;
    }
}

}  // namespace
}  // namespace rakor

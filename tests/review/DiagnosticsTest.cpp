// How a finding's text reaches the terminal: printable ASCII, line feeds,
// tabs and UTF-8 as they are, characters that do not show as <U+XXXX>, and
// control bytes and bytes that are no UTF-8 as \xNN, wherever in the text
// they lie (the text is looked at four bytes at a time).
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "review/Diagnostics.h"

namespace {

TEST(DiagnosticsTest, PrintableShowsEveryPieceOfATextAsItShowsThePieceAlone) {
    // Pieces that no neighbour can change, and how each is shown.
    const std::vector<std::pair<std::string, std::string>> pieces = {
        {"a", "a"},
        {" ", " "},
        {"~", "~"},
        {"\n", "\n"},
        {"\t", "\t"},
        {"\x01", "\\x01"},
        {"\x1F", "\\x1F"},
        {"\x7F", "\\x7F"},
        {"\x80", "\\x80"},
        {"\xFF", "\\xFF"},
        {"\xC3\xA9", "\xC3\xA9"},      // e with an accent
        {"\xE2\x80\x8B", "<U+200B>"},  // zero-width space
        {"\xC2\xA0", "<U+00A0>"},      // no-break space
        {"update_field", "update_field"},
    };
    std::mt19937 random(3);
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        std::string shown;
        for (int i = static_cast<int>(random() % 24); i > 0; --i) {
            const auto& [piece, expected] = pieces[random() % pieces.size()];
            text += piece;
            shown += expected;
        }
        ASSERT_EQ(vxmod::Printable(text), shown) << round;
    }
}

}  // namespace

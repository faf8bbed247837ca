#include <fstream>

#include <gtest/gtest.h>

#include "host/InputFile.h"
#include "host/TextFile.h"
#include "support/TempDirectory.h"

namespace rakor {
namespace {

TEST(TextFile, ReadsLikeWindowsTextModeOnEveryPlatform) {
    EXPECT_EQ(NormaliseTextBytes("a\r\nb\nc\r"), "a\nb\nc\r");
    EXPECT_EQ(NormaliseTextBytes("a\r\r\nb"), "a\r\nb");
    EXPECT_EQ(NormaliseTextBytes("keep\x1A"
                                 "dropped"),
              "keep");
    // A byte-order mark is dropped at the start only.
    EXPECT_EQ(NormaliseTextBytes("\xEF\xBB\xBF"
                                 "bom\xEF\xBB\xBF"),
              "bom\xEF\xBB\xBF");
    EXPECT_EQ(NormaliseTextBytes("\xEF\xBB"
                                 "half"),
              "\xEF\xBB"
              "half");
    EXPECT_EQ(NormaliseTextBytes(std::string("nul\0byte", 8)), std::string("nul\0byte", 8));
    // The text is converted in place: what is dropped moves the rest back.
    EXPECT_EQ(NormaliseTextBytes("\xEF\xBB\xBF"
                                 "a\r\nb\r\n\r\nc"),
              "a\nb\n\nc");
    EXPECT_EQ(NormaliseTextBytes("x\r\x1A\n"), "x\r");
    EXPECT_EQ(NormaliseTextBytes("\r\n"), "\n");
}

// Read in pieces, a file gives the same text as read whole, cut only after
// line feeds: carriage returns, line feeds and a byte-order mark around the
// block boundaries, a line longer than a block, Ctrl-Z far into the file.
TEST(TextFile, PiecesAreWholeLinesOfTheSameText) {
    const std::string block(256 * 1024 - 1, 'x');
    const std::string files[] = {
        "",
        "no line feed",
        "\xEF\xBB\xBF" + block + "\r\nnext\r\n",
        block + "\r" + "\n\r\r\n" + block + block + "\x1A" + "after",
        std::string(600 * 1024, 'y') + "\nshort\r",
        "\xEF\xBB\xBF" + std::string(300 * 1024, 'z'),
    };
    vexa::test::TempDirectory dir;
    for (const std::string& bytes : files) {
        const auto path = dir.Write("pieces.vxmod", bytes);
        std::string joined;
        bool wholeLines = true;
        ASSERT_TRUE(ReadTextFileInPieces(path, [&](std::string_view lines) {
            // Every piece but the last ends a line.
            if (!joined.empty() && joined.back() != '\n') {
                wholeLines = false;
            }
            joined += lines;
        }));
        EXPECT_TRUE(wholeLines);
        EXPECT_EQ(joined, ReadTextFile(path).value_or("?"));
    }
    EXPECT_FALSE(ReadTextFileInPieces(dir.Path() / "missing.vxmod", [](std::string_view) {}));
}

TEST(TextFile, ReadsALargeFileWhole) {
    vexa::test::TempDirectory dir;
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "update_field car default Grip " + std::to_string(i) + "\r\n";
    }
    const auto path = dir.Write("large.vxmod", text);
    EXPECT_EQ(ReadTextFile(path).value_or("?"), NormaliseTextBytes(text));
}

// A file that cannot be read is no text, and the reason is the modder's.
TEST(TextFile, FileThatCannotBeReadIsNoTextAndSaysWhy) {
    vexa::test::TempDirectory dir;
    const auto folder = dir.Path() / "folder.vxmod";
    std::filesystem::create_directory(folder);
    for (const auto& [path, why] : {std::pair{dir.Path() / "missing.vxmod", ReadProblem::kGone},
                                    std::pair{folder, ReadProblem::kFolder}}) {
        std::string whole = "?";
        std::string pieces = "?";
        EXPECT_FALSE(ReadTextFile(path, &whole).has_value());
        EXPECT_FALSE(ReadTextFileInPieces(
            path, [](std::string_view) {}, &pieces));
        EXPECT_EQ(whole, why);
        EXPECT_EQ(pieces, why);
    }
    const auto path = dir.Write("x.vxmod", "one\r\ntwo");
    EXPECT_EQ(ReadTextFile(path).value_or("?"), "one\ntwo");
}

TEST(TextFile, ReadsAScriptThatAnEditorHoldsOpenForWriting) {
    vexa::test::TempDirectory dir;
    const auto path = dir.Write("open.vxmod", "add_node car default a\n");
    std::ofstream editor(path, std::ios::app);
    ASSERT_TRUE(editor.is_open());
    EXPECT_EQ(ReadTextFile(path).value_or("?"), "add_node car default a\n");
}

}  // namespace
}  // namespace rakor

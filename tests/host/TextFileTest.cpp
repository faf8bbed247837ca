#include <fstream>

#include <gtest/gtest.h>

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

TEST(TextFile, ReadsALargeFileWhole) {
    vexa::test::TempDirectory dir;
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "update_field car default Grip " + std::to_string(i) + "\r\n";
    }
    const auto path = dir.Write("large.vxmod", text);
    EXPECT_EQ(ReadTextFile(path).value_or("?"), NormaliseTextBytes(text));
}

TEST(TextFile, MissingFileIsEmptyOptional) {
    vexa::test::TempDirectory dir;
    EXPECT_FALSE(ReadTextFile(dir.Path() / "missing.vxmod").has_value());
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

#include <gtest/gtest.h>

#include "loader/WarningBox.h"

namespace rakor {
namespace {

TEST(WarningBox, DisplayPathsReachTheWideBoxAsTheSameText) {
    EXPECT_EQ(WideFromUtf8("AttribMods/\xC3\x9C"
                           "ber.vxmod"),
              L"AttribMods/\u00DCber.vxmod");
    EXPECT_EQ(WideFromUtf8("\xE8\xBB\x8A.vxmod"), L"\u8ECA.vxmod");
    EXPECT_EQ(WideFromUtf8("\xF0\x9F\x9A\x97"), L"\U0001F697")
        << "beyond the BMP: a surrogate pair";
    EXPECT_EQ(WideFromUtf8(""), L"");
}

}  // namespace
}  // namespace rakor

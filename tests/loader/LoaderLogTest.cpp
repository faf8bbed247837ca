#include <fstream>
#include <iterator>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "loader/LoaderLog.h"
#include "support/TempDirectory.h"

namespace rakor {
namespace {

using ::testing::HasSubstr;

std::string Contents(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(LoaderLog, EmptiesTheFileAndWritesTheDefaultPattern) {
    vexa::test::TempDirectory dir;
    const auto file = dir.Write("VexaAttribLoader.Tormelin.log", "left from the last run\n");
    {
        const auto log = CreateLoaderLogger(file);
        EXPECT_EQ(Contents(file), "");
        log->warn("[AttribMods/x.vxmod] Caught error executing script line: boom");
    }
    const std::string text = Contents(file);
    EXPECT_THAT(text, HasSubstr("[VexaAttribLoader.Tormelin] [warning] [AttribMods/x.vxmod] "
                                "Caught error executing script line: boom"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("left from the last run")));
}

TEST(LoaderLog, UnwritableFileStillGivesALogger) {
    vexa::test::TempDirectory dir;
    const auto log = CreateLoaderLogger(dir.Path() / "no-such-folder" / "x.log");
    ASSERT_NE(log, nullptr);
    log->warn("dropped, not thrown");
}

}  // namespace
}  // namespace rakor

#include <fstream>
#include <iterator>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "loader/LoaderLog.h"
#include "support/TempDirectory.h"

namespace rakor {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string Contents(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(LoaderLog, StartsEmptyOrContinuesAndWritesTheDefaultPattern) {
    vexa::test::TempDirectory dir;
    const auto file = dir.Write("VexaAttribLoader.Tormelin.log", "left from the last run\n");
    {
        const LoaderLog log = CreateLoaderLog(file);
        EXPECT_EQ(Contents(file), "");
        log.logger->warn("[AttribMods/x.vxmod] Caught error executing script line: boom");
    }
    const std::string text = Contents(file);
    EXPECT_THAT(text, HasSubstr("[VexaAttribLoader.Tormelin] [warning] [AttribMods/x.vxmod] "
                                "Caught error executing script line: boom"));
    EXPECT_THAT(text, Not(HasSubstr("left from the last run")));

    // A second copy of the loader adds its lines after the first copy's.
    CreateLoaderLog(file, LogStart::Continue).logger->error("second copy");
    EXPECT_THAT(Contents(file), HasSubstr("boom"));
    EXPECT_THAT(Contents(file), HasSubstr("[error] second copy"));
}

TEST(LoaderLog, SaysWhereAndWhyWhenTheFileCannotBeWritten) {
    vexa::test::TempDirectory dir;
    const LoaderLog good = CreateLoaderLog(dir.Path() / "x.log");
    good.logger->info("kept");
    good.logger->flush();
    EXPECT_THAT(good.status->Problem(), IsEmpty());
    EXPECT_THAT(good.status->Where(), HasSubstr("x.log"));

    // A folder where the file should be: the logger still takes lines.
    std::filesystem::create_directory(dir.Path() / "taken.log");
    const LoaderLog blocked = CreateLoaderLog(dir.Path() / "taken.log");
    blocked.logger->warn("dropped, not thrown");
    EXPECT_THAT(blocked.status->Problem(), Not(IsEmpty()));
    EXPECT_TRUE(std::filesystem::path(blocked.status->Where()).is_absolute());

#if defined(__linux__)
    // Opened, but every write fails: found when the lines are flushed.
    const LoaderLog full = CreateLoaderLog("/dev/full");
    EXPECT_THAT(full.status->Problem(), IsEmpty());
    full.logger->warn("nowhere to go");
    full.logger->flush();
    EXPECT_THAT(full.status->Problem(), HasSubstr("No space left"));
#endif
}

}  // namespace
}  // namespace rakor

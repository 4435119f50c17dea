// The quorvane-cli executable itself: help, version, usage errors and exit statuses.
#include <sys/wait.h>

#include <cstdio>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

class CliBinaryHelp : public ::testing::TestWithParam<const char*> {};

TEST_P(CliBinaryHelp, EachSubcommandHasHelp) {
    const RunResult result = RunBinary(std::string(GetParam()) + " --help");
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("Usage:"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(GetParam()), std::string::npos) << result.out;
}

TEST_P(CliBinaryHelp, SaysHowPipesAndDevicesAreReadAndTheLimit) {
    const RunResult result = RunBinary(std::string(GetParam()) + " --help");
    EXPECT_NE(result.out.find("Pipes, FIFOs and devices are read to their end"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("--max-bytes"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Subcommands, CliBinaryHelp, ::testing::Values("info", "check", "convert", "render"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return info.param; });

TEST(CliBinary, TopLevelHelpListsTheSubcommands) {
    const RunResult result = RunBinary("--help");
    EXPECT_EQ(result.status, 0);
    for (const char* name : {"info", "check", "convert"}) {
        EXPECT_NE(result.out.find(name), std::string::npos) << name;
    }
}

TEST(CliBinary, VersionNamesTheProgramAndTheProjectVersion) {
    const RunResult result = RunBinary("--version");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "quorvane-cli " QUORVANE_PROJECT_VERSION "\n");
}

TEST(CliBinary, WrongCommandLinesAreUsageErrors) {
    EXPECT_EQ(RunBinary("").status, kExitUsage);
    EXPECT_EQ(RunBinary("frobnicate x.off").status, kExitUsage);
    EXPECT_EQ(RunBinary("info").status, kExitUsage);
    EXPECT_EQ(RunBinary("convert '" + TestModel("cube.off") + "'").status, kExitUsage);
}

TEST(CliBinary, StatusAndOutputOfARealRun) {
    const RunResult good = RunBinary("info --json '" + TestModel("cube.off") + "'");
    EXPECT_EQ(good.status, kExitOk);
    EXPECT_NE(good.out.find("\"unique_edges\":12"), std::string::npos) << good.out;
    const RunResult bad =
        RunBinary("check -j 2 '" + TestModel("cube.off") + "' '" + TestModel("elephant.off") + "'");
    EXPECT_EQ(bad.status, kExitRefused);
    EXPECT_NE(bad.out.find("2 files checked, 1 refused"), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace quorvane::cli::test

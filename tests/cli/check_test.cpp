// The check subcommand: verdict lines, summary, JSON form and ordered parallel sweeps.
#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

RunResult RunCheckOn(std::vector<std::string> files, bool json, unsigned jobs = 0) {
    CheckOptions options;
    options.files = std::move(files);
    options.json = json;
    options.jobs = jobs;
    return RunCommand(RunCheck, options);
}

TEST(CliCheck, AcceptedFilesGiveOnlyTheSummaryAndStatusZero) {
    const RunResult result = RunCheckOn({TestModel("cube.off"), TestModel("teapot.off")}, false);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "2 files checked, 0 refused\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliCheck, RefusedFilesAreListedWithLineThenCounted) {
    const std::string elephant = TestModel("elephant.off"), scad = TestModel("openscad_example002.off");
    const RunResult result = RunCheckOn({elephant, TestModel("cube.off"), scad}, false);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[0].rfind(elephant + ":3: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(scad + ":1: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "3 files checked, 2 refused");
}

TEST(CliCheck, SingleFileSummaryIsSingular) {
    EXPECT_EQ(RunCheckOn({TestModel("cube.off")}, false).out, "1 file checked, 0 refused\n");
}

TEST(CliCheck, JsonGivesOneObjectPerFileWithVerdict) {
    const fs::path missing = ScratchFolder() / "missing.off";
    const std::string cube = TestModel("cube.off"), elephant = TestModel("elephant.off");
    const RunResult result = RunCheckOn({cube, elephant, missing.string()}, true);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[0], "{\"file\":\"" + cube + "\",\"ok\":true,\"line\":0,\"reason\":\"\"}");
    EXPECT_EQ(lines[1].rfind("{\"file\":\"" + elephant + "\",\"ok\":false,\"line\":3,\"reason\":\"", 0), 0u)
        << lines[1];
    EXPECT_EQ(
        lines[2].rfind("{\"file\":\"" + missing.string() + "\",\"ok\":false,\"line\":0,\"reason\":\"", 0), 0u)
        << lines[2];
    EXPECT_EQ(lines[1].find("\"reason\":\"\""), std::string::npos) << "refusal without a reason";
}

TEST(CliCheck, ParallelSweepReportsInInputOrderLikeASerialOne) {
    const fs::path folder = ScratchFolder();
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i) {
        switch (i % 4) {
            case 0:
                files.push_back(TestModel("teapot.off"));
                break;
            case 1:
                files.push_back(TestModel("elephant.off"));
                break;
            case 2:
                files.push_back((folder / ("missing" + std::to_string(i) + ".off")).string());
                break;
            default:
                files.push_back(TestModel("openscad_example002.off"));
                break;
        }
    }
    const RunResult serial = RunCheckOn(files, false, 1);
    const RunResult parallel = RunCheckOn(files, false, 4);
    EXPECT_EQ(serial.status, kExitRefused);
    EXPECT_EQ(parallel.status, kExitRefused);
    EXPECT_EQ(parallel.out, serial.out);
    const std::vector<std::string> lines = Lines(parallel.out);
    ASSERT_EQ(lines.size(), 226u);
    EXPECT_EQ(lines[2].rfind(files[3] + ":1: ", 0), 0u);
    EXPECT_EQ(lines[4].rfind(files[6] + ": ", 0), 0u);
    EXPECT_EQ(lines.back(), "300 files checked, 225 refused");
}

TEST(CliCheck, NoFilesIsNoFailure) {
    const RunResult result = RunCheckOn({}, false);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "0 files checked, 0 refused\n");
}

}  // namespace
}  // namespace quorvane::cli::test

namespace quorvane::cli::test {
namespace {

TEST(CliCheck, ProgressBarGoesToTheErrorStreamAndIsClearedAtTheEnd) {
    CheckOptions options;
    options.files = {TestModel("cube.off"), TestModel("elephant.off"), TestModel("teapot.off")};
    options.progress = true;
    options.jobs = 1;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_NE(result.err.find("[==============================] 3/3"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.substr(result.err.size() - 4), "\r\x1b[K");
    EXPECT_EQ(Lines(result.out).back(), "3 files checked, 1 refused");
    EXPECT_EQ(ProgressBar(1, 4), "[=======>                      ] 1/4");
}

}  // namespace
}  // namespace quorvane::cli::test

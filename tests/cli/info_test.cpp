// The info subcommand: statistics, bounding box and JSON form of sample files, and refusals.
#include <cerrno>
#include <cstring>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

RunResult RunInfoOn(std::vector<std::string> files, bool json) {
    InfoOptions options;
    options.files = std::move(files);
    options.json = json;
    return RunCommand(RunInfo, options);
}

TEST(CliInfo, JsonLineForCubeHasExactKeysAndNumbers) {
    const std::string cube = TestModel("cube.off");
    const RunResult result = RunInfoOn({cube}, true);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "{\"file\":\"" + cube +
                              "\",\"vertices\":8,\"polygons\":6,\"edges\":24,\"unique_edges\":12,"
                              "\"largest_polygon\":4,\"triangles\":12,\"bbox_min\":[-0.5,-0.5,-0.5],"
                              "\"bbox_max\":[0.5,0.5,0.5]}\n");
}

TEST(CliInfo, JsonLineForTeapotKeepsCoordinatesExactly) {
    const std::string teapot = TestModel("teapot.off");
    const RunResult result = RunInfoOn({teapot}, true);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "{\"file\":\"" + teapot +
                              "\",\"vertices\":792,\"polygons\":992,\"edges\":2976,\"unique_edges\":1752,"
                              "\"largest_polygon\":3,\"triangles\":992,\"bbox_min\":[-16.070313,-7.875,-10],"
                              "\"bbox_max\":[16.070313,7.875,10]}\n");
}

TEST(CliInfo, TextFormShowsTheDialogLabelsAndTheBox) {
    const std::string cube = TestModel("cube.off");
    const RunResult result = RunInfoOn({cube}, false);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, cube +
                              "\n"
                              "  Number of Vertices:        8\n"
                              "  Number of Polygons:        6\n"
                              "  Number of Edges:           24\n"
                              "  Number of Unique Edges:    12\n"
                              "  Edges in Largest Polygon:  4\n"
                              "  Number of Triangles:       12\n"
                              "  Bounding Box:              (-0.5, -0.5, -0.5) to (0.5, 0.5, 0.5)\n");
}

struct RefusalCase {
    const char* file;
    std::size_t line;
};

class CliInfoRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliInfoRefusal, NamesFileAndLineOnStandardError) {
    const std::string path = TestModel(GetParam().file);
    const RunResult result = RunInfoOn({path}, true);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.out, "");
    const std::string prefix = path + ":" + std::to_string(GetParam().line) + ": ";
    ASSERT_EQ(result.err.rfind(prefix, 0), 0u) << result.err;
    EXPECT_GT(result.err.size(), prefix.size() + 1) << "no reason given";
    EXPECT_EQ(Lines(result.err).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(SampleFiles, CliInfoRefusal,
                         ::testing::Values(RefusalCase{"elephant.off", 3},
                                           RefusalCase{"openscad_example002.off", 1}),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) {
                             std::string name = info.param.file;
                             return name.erase(name.find('.'));
                         });

TEST(CliInfo, MissingFileGivesTheSystemReasonWithoutLine) {
    const fs::path missing = ScratchFolder() / "missing.off";
    const RunResult result = RunInfoOn({missing.string()}, false);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind(missing.string() + ": ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(std::strerror(ENOENT)), std::string::npos) << result.err;
}

TEST(CliInfo, OneRefusedFileAmongGoodOnesFailsTheRunButReportsTheOthersInOrder) {
    const std::string cube = TestModel("cube.off"), teapot = TestModel("teapot.off");
    InfoOptions options;
    options.files = {teapot, TestModel("elephant.off"), cube, teapot};
    options.json = true;
    options.jobs = 3;
    const RunResult result = RunCommand(RunInfo, options);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("{\"file\":\"" + teapot + "\",\"vertices\":792,", 0), 0u);
    EXPECT_EQ(lines[1].rfind("{\"file\":\"" + cube + "\",\"vertices\":8,", 0), 0u);
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(Lines(result.err).size(), 1u);
}

TEST(CliInfo, FileNameIsEscapedInJson) {
    const fs::path folder = ScratchFolder();
    const std::string name = std::string("a\"b\\c\td\x01") + "\xff" + "\xc3\xa9.off";
    fs::copy_file(TestModel("cube.off"), folder / name);
    const RunResult result = RunInfoOn({(folder / name).string()}, true);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const std::string expected =
        "{\"file\":\"" + folder.string() + "/a\\\"b\\\\c\\td\\u0001\\ufffd\xc3\xa9.off\",";
    EXPECT_EQ(result.out.rfind(expected, 0), 0u) << result.out;
}

}  // namespace
}  // namespace quorvane::cli::test

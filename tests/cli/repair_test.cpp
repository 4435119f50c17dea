// --repair on info, check and convert: verdicts, the repair report and strict output.
#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

TEST(CliRepair, CheckSortsFilesIntoStrictRepairableAndRefused) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "bad.off", "PLY\n");
    CheckOptions options;
    options.files = {TestModel("cube.off"), TestModel("elephant.off"), (folder / "bad.off").string()};
    options.load.repair = true;
    options.jobs = 1;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 6u) << result.out;
    EXPECT_EQ(lines[0], TestModel("cube.off") + ": strict");
    EXPECT_EQ(lines[1], TestModel("elephant.off") + ": repairable with 1 repair");
    EXPECT_EQ(lines[2], "  1 blank line skipped");
    EXPECT_EQ(lines[3], "      line 3: skipped a blank line");
    // A file neither reading accepts is refused for the repairing reading's reason.
    EXPECT_EQ(lines[4],
              (folder / "bad.off").string() + ":1: expected an OFF keyword on the first line, found \"PLY\"");
    EXPECT_EQ(lines[5], "3 files checked: 1 strict, 1 repairable, 1 refused");
}

TEST(CliRepair, AFilePastOneMebibyteIsRepairedAsItsSmallTwin) {
    // A bad index, a comment line and a short face after 175,000 vertices: read on two threads.
    const fs::path folder = ScratchFolder();
    const std::string faces = "3 0 1 2\n3 0 1 700000\n# a comment\n4 0 1 2\n3 2 1 0\n";
    std::string big = "OFF\n175000 4\n";
    for (int k = 0; k < 175000; ++k) {
        big += "0.500000 0.250000 0.125000\n";
    }
    WriteBytes(folder / "big.off", big + faces);
    WriteBytes(folder / "small.off", "OFF\n3 4\n0 0 0\n1 0 0\n0 1 0\n" + faces);
    CheckOptions options;
    options.files = {(folder / "big.off").string(), (folder / "small.off").string()};
    options.load.repair = true;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitOk) << result.out;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 15u) << result.out;
    EXPECT_EQ(lines[0], (folder / "big.off").string() + ": repairable with 3 repairs");
    EXPECT_EQ(lines[7], (folder / "small.off").string() + ": repairable with 3 repairs");
    for (std::size_t i = 1; i < 7; i += 2) {
        EXPECT_EQ(lines[i], lines[i + 7]);  // the kinds and their counts
    }
}

TEST(CliRepair, InfoReadsAPointSet) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "points.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 2\n");
    InfoOptions options;
    options.files = {(folder / "points.off").string()};
    options.json = true;
    EXPECT_EQ(RunCommand(RunInfo, options).status, kExitRefused);
    options.load.repair = true;
    const RunResult result = RunCommand(RunInfo, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(
        result.out.find("\"vertices\":3,\"polygons\":0,\"edges\":0,\"unique_edges\":0,\"largest_polygon\":0,"
                        "\"triangles\":0,\"bbox_min\":[0,0,0],\"bbox_max\":[1,1,2]"),
        std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("{\"kind\":\"point_set\""), std::string::npos) << result.out;
}

TEST(CliRepair, CheckJsonCarriesTheVerdictAndTheRepairs) {
    CheckOptions options;
    options.files = {TestModel("openscad_example002.off")};
    options.load.repair = true;
    options.json = true;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out,
              "{\"file\":\"" + TestModel("openscad_example002.off") +
                  "\",\"ok\":true,\"line\":0,\"reason\":\"\",\"verdict\":\"repairable\",\"repairs\":["
                  "{\"kind\":\"counts_on_keyword_line\",\"title\":\"counts read from the keyword's "
                  "line\",\"count\":1,\"examples\":[{\"line\":1,\"detail\":\"read the counts \\\"180 "
                  "376 0\\\" from the keyword's line\"}]}]}\n");
}

TEST(CliRepair, InfoReportsTheRepairedModel) {
    InfoOptions options;
    options.files = {TestModel("elephant.off")};
    options.load.repair = true;
    options.json = true;
    const RunResult result = RunCommand(RunInfo, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(result.out.find("\"vertices\":2775,\"polygons\":5558,\"edges\":16674,\"unique_edges\":8337,"
                              "\"largest_polygon\":3,\"triangles\":5558"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\"repairs\":[{\"kind\":\"blank_line\""), std::string::npos) << result.out;
}

TEST(CliRepair, ConvertWritesAFileTheStrictReadingAccepts) {
    const fs::path out = ScratchFolder() / "fixed.off";
    ConvertOptions options;
    options.input = TestModel("colored_patch_coff.off");
    options.output = out.string();
    options.load.repair = true;
    const RunResult result = RunCommand(RunConvert, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(result.out.find(": 18 repairs"), std::string::npos) << result.out;
    CQuorvaneDoc strict, repaired;
    OffError error;
    ASSERT_TRUE(strict.LoadFromFile(out.string(), &error)) << error.ToString();
    ASSERT_TRUE(repaired.LoadFromFile(TestModel("colored_patch_coff.off"), nullptr, OffReadOptions{true}));
    EXPECT_EQ(strict.m_nVertices, 8);
    EXPECT_EQ(strict.m_nPolygons, 4);
    EXPECT_EQ(strict.m_polygons.Indices(), repaired.m_polygons.Indices());
    EXPECT_EQ(strict.m_nUniqueEdges, repaired.m_nUniqueEdges);
}

TEST(CliRepair, WithoutTheFlagQuirkyFilesAreRefused) {
    ConvertOptions options;
    options.input = TestModel("colored_patch_coff.off");
    options.output = (ScratchFolder() / "never.off").string();
    const RunResult result = RunCommand(RunConvert, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_FALSE(fs::exists(options.output));
}

}  // namespace
}  // namespace quorvane::cli::test

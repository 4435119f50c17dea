// --repair on info, check and convert: verdicts, the repair report and strict output.
#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

TEST(CliRepair, CheckSortsFilesIntoStrictRepairableAndRefused) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "bad.off", "PLY\n");
    CheckOptions options;
    options.files = {Sample("cube.off"), Sample("elephant.off"), (folder / "bad.off").string()};
    options.load.repair = true;
    options.jobs = 1;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 6u) << result.out;
    EXPECT_EQ(lines[0], Sample("cube.off") + ": strict");
    EXPECT_EQ(lines[1], Sample("elephant.off") + ": repairable with 1 repair");
    EXPECT_EQ(lines[2], "  1 x blank lines skipped");
    EXPECT_EQ(lines[3], "      line 3: skipped a blank line");
    // A file neither reading accepts is refused for the repairing reading's reason.
    EXPECT_EQ(lines[4],
              (folder / "bad.off").string() + ":1: expected an OFF keyword on the first line, found \"PLY\"");
    EXPECT_EQ(lines[5], "3 files checked: 1 strict, 1 repairable, 1 refused");
}

TEST(CliRepair, CheckJsonCarriesTheVerdictAndTheRepairs) {
    CheckOptions options;
    options.files = {Sample("openscad_example002.off")};
    options.load.repair = true;
    options.json = true;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out,
              "{\"file\":\"" + Sample("openscad_example002.off") +
                  "\",\"ok\":true,\"line\":0,\"reason\":\"\",\"verdict\":\"repairable\",\"repairs\":["
                  "{\"kind\":\"counts_on_keyword_line\",\"title\":\"counts read from the keyword's "
                  "line\",\"count\":1,\"examples\":[{\"line\":1,\"detail\":\"read the counts \\\"180 "
                  "376 0\\\" from the keyword's line\"}]}]}\n");
}

TEST(CliRepair, InfoReportsTheRepairedModel) {
    InfoOptions options;
    options.files = {Sample("elephant.off")};
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
    options.input = Sample("colored_patch_coff.off");
    options.output = out.string();
    options.load.repair = true;
    const RunResult result = RunCommand(RunConvert, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(result.out.find(": 18 repairs"), std::string::npos) << result.out;
    CQuorvaneDoc strict, repaired;
    OffError error;
    ASSERT_TRUE(strict.LoadFromFile(out.string(), &error)) << error.ToString();
    ASSERT_TRUE(repaired.LoadFromFile(Sample("colored_patch_coff.off"), nullptr, OffReadOptions{true}));
    EXPECT_EQ(strict.m_nVertices, 8);
    EXPECT_EQ(strict.m_nPolygons, 4);
    EXPECT_EQ(strict.m_polygons.Indices(), repaired.m_polygons.Indices());
    EXPECT_EQ(strict.m_nUniqueEdges, repaired.m_nUniqueEdges);
}

TEST(CliRepair, WithoutTheFlagQuirkyFilesAreRefused) {
    ConvertOptions options;
    options.input = Sample("colored_patch_coff.off");
    options.output = (ScratchFolder() / "never.off").string();
    const RunResult result = RunCommand(RunConvert, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_FALSE(fs::exists(options.output));
}

}  // namespace
}  // namespace quorvane::cli::test

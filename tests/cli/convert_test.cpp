// The convert subcommand: round trip through the writer, and failures that leave nothing behind.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

RunResult RunConvertOn(const std::string& input, const std::string& output) {
    ConvertOptions options;
    options.input = input;
    options.output = output;
    return RunCommand(RunConvert, options);
}

TEST(CliConvert, OutputReadsBackWithTheSameModel) {
    const fs::path out = ScratchFolder() / "teapot.off";
    const RunResult result = RunConvertOn(TestModel("teapot.off"), out.string());
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.err, "");

    CQuorvaneDoc original, converted;
    ASSERT_TRUE(original.LoadFromFile(TestModel("teapot.off")));
    OffError error;
    ASSERT_TRUE(converted.LoadFromFile(out.string(), &error)) << error.ToString();
    EXPECT_EQ(converted.m_nVertices, 792);
    EXPECT_EQ(converted.m_nPolygons, 992);
    EXPECT_EQ(converted.m_nEdges, 2976);
    EXPECT_EQ(converted.m_nUniqueEdges, 1752);
    EXPECT_EQ(converted.m_nLargestPolygon, 3);
    EXPECT_EQ(converted.m_polygons.Indices(), original.m_polygons.Indices());
    EXPECT_EQ(converted.m_edges, original.m_edges);
}

TEST(CliConvert, WritesTheDocumentsOwnBytesAndIsStableOnASecondPass) {
    const fs::path folder = ScratchFolder();
    ASSERT_EQ(RunConvertOn(TestModel("cube.off"), (folder / "a.off").string()).status, kExitOk);
    ASSERT_EQ(RunConvertOn((folder / "a.off").string(), (folder / "b.off").string()).status, kExitOk);
    const std::string bytes = ReadBytes(folder / "a.off");
    EXPECT_EQ(bytes.rfind("OFF\r\n8 6 24\r\n-0.500000 -0.500000 0.500000\r\n", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 15), "4 6  0  2  4 \r\n");
    EXPECT_EQ(ReadBytes(folder / "b.off"), bytes);
}

TEST(CliConvert, ReplacesAnExistingOutputFile) {
    const fs::path out = ScratchFolder() / "out.off";
    WriteBytes(out, "old contents that are longer than nothing at all");
    ASSERT_EQ(RunConvertOn(TestModel("cube.off"), out.string()).status, kExitOk);
    EXPECT_EQ(ReadBytes(out).rfind("OFF\r\n8 6 24\r\n", 0), 0u);
}

TEST(CliConvert, RefusedInputNamesItAndWritesNothing) {
    const fs::path folder = ScratchFolder();
    const std::string input = TestModel("elephant.off");
    const RunResult result = RunConvertOn(input, (folder / "out.off").string());
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind(input + ":3: ", 0), 0u) << result.err;
    EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST(CliConvert, OutputInAMissingFolderFailsNamingTheOutput) {
    const fs::path folder = ScratchFolder();
    const fs::path out = folder / "no" / "such" / "out.off";
    const RunResult result = RunConvertOn(TestModel("cube.off"), out.string());
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind(out.string() + ": ", 0), 0u) << result.err;
    EXPECT_GT(result.err.size(), out.string().size() + 3);
    EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST(CliConvert, OutputThatIsAFolderFailsAndLeavesNoTemporaryFile) {
    // The temporary file can be created beside the target; only the final rename fails.
    const fs::path folder = ScratchFolder();
    fs::create_directory(folder / "target.off");
    const RunResult result = RunConvertOn(TestModel("cube.off"), (folder / "target.off").string());
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind((folder / "target.off").string() + ": ", 0), 0u) << result.err;
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"target.off"});
    EXPECT_TRUE(fs::is_empty(folder / "target.off"));
}

TEST(CliConvert, OutputInAReadOnlyFolderFailsAndLeavesNothing) {
    const fs::path folder = ScratchFolder() / "locked";
    fs::create_directory(folder);
    // Readable but not writable for the converter; root converts as nobody in a folder of root's.
    ::chmod(folder.c_str(), ::geteuid() == 0 ? 0755 : 0555);
    const fs::path out = folder / "out.off";
    const quorvane::testing::ChildResult child = quorvane::testing::Unprivileged([&] {
        const RunResult result = RunConvertOn(TestModel("cube.off"), out.string());
        return std::to_string(result.status) + " " + result.err;
    });
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(child.text, std::to_string(kExitRefused) + " " + out.string() + ": cannot create a file in " +
                              folder.string() + ": Permission denied\n");
    EXPECT_TRUE(FolderEntries(folder).empty());
}

}  // namespace
}  // namespace quorvane::cli::test

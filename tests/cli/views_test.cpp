// Data-set rendering: the ring of views and its manifest, list files, shards and reruns that
// skip complete pictures.
#include <algorithm>
#include <charconv>
#include <map>
#include <random>
#include <set>

#include "cli/views.h"
#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

// The numbers of `"key":[a,b,c]` (or `"key":a` for one) in a manifest record.
std::vector<double> RecordNumbers(const std::string& record, const std::string& key) {
    std::vector<double> values;
    std::size_t pos = record.find("\"" + key + "\":");
    if (pos == std::string::npos) {
        return values;
    }
    pos += key.size() + 3;
    const bool list = record[pos] == '[';
    pos += list ? 1 : 0;
    while (true) {
        double value = 0.0;
        const auto result = std::from_chars(record.data() + pos, record.data() + record.size(), value);
        if (result.ec != std::errc()) {
            return {};
        }
        values.push_back(value);
        pos = static_cast<std::size_t>(result.ptr - record.data());
        if (!list || record[pos] != ',') {
            return values;
        }
        ++pos;
    }
}

// The text of `"key":"value"` in a manifest record.
std::string RecordText(const std::string& record, const std::string& key) {
    const std::size_t start = record.find("\"" + key + "\":\"");
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t from = start + key.size() + 4;
    return record.substr(from, record.find('"', from) - from);
}

// The records of a manifest, one a line between "[" and "]", without their separators.
std::vector<std::string> ManifestRecords(const std::string& text) {
    std::vector<std::string> records;
    for (std::string line : Lines(text)) {
        if (line == "[" || line == "]") {
            continue;
        }
        if (!line.empty() && line.back() == ',') {
            line.pop_back();
        }
        records.push_back(line);
    }
    return records;
}

RenderOptions Ring(const std::vector<std::string>& files, const fs::path& folder, int views) {
    RenderOptions options;
    options.files = files;
    options.outDir = folder.string();
    options.views = views;
    options.size = 48;
    options.jobs = 2;
    return options;
}

DrawingMode ModeOf(const std::string& name) {
    return name == "points"      ? DrawingMode::kPoints
           : name == "wireframe" ? DrawingMode::kWireframe
                                 : DrawingMode::kSolid;
}

// ---- The manifest reproduces each view ----

struct RingCase {
    const char* name;
    ViewAxis axis;
    double elevation;
    std::optional<DrawingMode> mode;
    std::optional<COLORREF> background;
};

class CliViewsManifest : public ::testing::TestWithParam<RingCase> {};

TEST_P(CliViewsManifest, RenderWithTheRecordedCameraGivesTheSameBytes) {
    const RingCase& ring = GetParam();
    const fs::path folder = ScratchFolder();
    RenderOptions options = Ring(
        {TestModel("teapot.off"), TestModel("torus_quads.off"), TestModel("double_torus.off")}, folder, 7);
    options.upAxis = ring.axis;
    options.elevation = ring.elevation;
    options.mode = ring.mode;
    options.background = ring.background;
    const RunResult result = RunCommand(RunRender, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "3 rendered, 0 refused; 21 images\n");
    const std::vector<std::string> records = ManifestRecords(ReadBytes(folder / "views.json"));
    ASSERT_EQ(records.size(), 21u);
    std::set<std::string> distinct;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::string& record = records[r];
        EXPECT_EQ(RecordNumbers(record, "index"), std::vector<double>{static_cast<double>(r / 7)});
        EXPECT_EQ(RecordNumbers(record, "view"), std::vector<double>{static_cast<double>(r % 7)});
        const std::vector<double> from = RecordNumbers(record, "from");
        const std::vector<double> at = RecordNumbers(record, "at");
        const std::vector<double> up = RecordNumbers(record, "up");
        const std::vector<double> angle = RecordNumbers(record, "angle");
        const std::vector<double> size = RecordNumbers(record, "size");
        ASSERT_EQ(from.size(), 3u) << record;
        ASSERT_EQ(at.size(), 3u) << record;
        ASSERT_EQ(up.size(), 3u) << record;
        ASSERT_EQ(angle.size(), 1u) << record;
        ASSERT_EQ(size.size(), 1u) << record;
        RenderOptions single;
        single.files = {options.files[r / 7]};
        single.output = (folder / "single.png").string();
        single.from = CVector3D(from[0], from[1], from[2]);
        single.at = CVector3D(at[0], at[1], at[2]);
        single.up = CVector3D(up[0], up[1], up[2]);
        single.angle = angle[0];
        single.size = static_cast<int>(size[0]);
        single.mode = ModeOf(RecordText(record, "mode"));
        COLORREF colour = 0;
        std::string error;
        ASSERT_TRUE(ParseHexColor(RecordText(record, "background"), colour, error)) << record;
        single.background = colour;
        ASSERT_TRUE(ParseHexColor(RecordText(record, "exterior"), colour, error)) << record;
        single.exterior = colour;
        ASSERT_TRUE(ParseHexColor(RecordText(record, "interior"), colour, error)) << record;
        single.interior = colour;
        ASSERT_EQ(RunCommand(RunRender, single).status, kExitOk);
        const std::string view = ReadBytes(folder / RecordText(record, "file"));
        EXPECT_EQ(ReadBytes(folder / "single.png"), view) << record;
        distinct.insert(view);
    }
    // Every view shows the model from elsewhere.
    EXPECT_EQ(distinct.size(), records.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rings, CliViewsManifest,
    ::testing::Values(RingCase{"UprightY", ViewAxis::kY, 30.0, std::nullopt, std::nullopt},
                      RingCase{"AboutZFromBelow", ViewAxis::kZ, -45.0, DrawingMode::kWireframe,
                               RGB(10, 200, 30)},
                      RingCase{"AboutXFlat", ViewAxis::kX, 0.0, DrawingMode::kPoints, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliViews, FirstViewAtNoElevationIsTheDefaultView) {
    const fs::path folder = ScratchFolder();
    RenderOptions options = Ring({TestModel("teapot.off")}, folder, 12);
    options.elevation = 0.0;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    RenderOptions single;
    single.files = {TestModel("teapot.off")};
    single.output = (folder / "default.png").string();
    single.size = options.size;
    ASSERT_EQ(RunCommand(RunRender, single).status, kExitOk);
    EXPECT_EQ(ReadBytes(folder / "teapot_000.png"), ReadBytes(folder / "default.png"));
}

TEST(CliViews, QuarterTurnAboutYLooksFromPlusX) {
    CQuorvaneDoc doc;
    OffError error;
    ASSERT_TRUE(LoadModel(TestModel("cube.off"), {}, doc, error));
    ViewRing ring;
    ring.views = 4;
    ring.elevation = 0.0;
    CViewingSpace camera;
    PlaceRingCamera(camera, doc, ring, 1);
    EXPECT_NEAR(camera.GetFromPoint().x, 2.5, 1e-12);
    EXPECT_NEAR(camera.GetFromPoint().y, 0.0, 1e-12);
    EXPECT_NEAR(camera.GetFromPoint().z, 0.0, 1e-12);
    ring.elevation = 30.0;
    PlaceRingCamera(camera, doc, ring, 0);
    EXPECT_NEAR(camera.GetFromPoint().y, 2.5 * 0.5, 1e-12);
    EXPECT_NEAR(camera.GetFromPoint().z, 2.5 * std::sqrt(0.75), 1e-12);
}

TEST(CliViews, RefusedModelsHaveNoRecordsAndAreReported) {
    const fs::path folder = ScratchFolder();
    RenderOptions options = Ring({TestModel("cube.off"), TestModel("elephant.off")}, folder, 3);
    options.json = true;
    const RunResult result = RunCommand(RunRender, options);
    EXPECT_EQ(result.status, kExitRefused);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_NE(lines[0].find("\"ok\":true,\"skipped\":false,\"images\":3"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\"ok\":false"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"line\":3,\"reason\":\"blank line where vertex 1 of 2775 was expected\""),
              std::string::npos)
        << lines[1];
    EXPECT_EQ(lines[2], "{\"rendered\":1,\"skipped\":0,\"refused\":1,\"images\":3,\"manifest\":" +
                            std::string("\"") + (folder / "views.json").string() + "\"}");
    EXPECT_EQ(ManifestRecords(ReadBytes(folder / "views.json")).size(), 3u);
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST(CliViews, ImageNamesHaveOneWidthPerRun) {
    EXPECT_EQ(ViewImageName("m", 0, 12), "m_000.png");
    EXPECT_EQ(ViewImageName("m", 11, 12), "m_011.png");
    EXPECT_EQ(ViewImageName("m", 999, 1000), "m_999.png");
    EXPECT_EQ(ViewImageName("m", 7, 1001), "m_0007.png");
    EXPECT_EQ(ViewImageName("m", 1000, 1001), "m_1000.png");
}

TEST(CliViews, CameraOptionsOtherThanTheAngleAreUsageErrors) {
    const fs::path folder = ScratchFolder();
    RenderOptions options = Ring({TestModel("cube.off")}, folder / "out", 4);
    options.from = CVector3D(0, 0, 5);
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitUsage);
    options.from.reset();
    options.zoom = 2;
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitUsage);
    options.zoom = 0;
    options.elevation = 90.0;
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitUsage);
    options.elevation = 30.0;
    options.outDir.clear();
    options.output = (folder / "one.png").string();
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitUsage);
    EXPECT_FALSE(fs::exists(folder / "out"));
    EXPECT_FALSE(fs::exists(folder / "one.png"));
}

// ---- List files ----

struct ListCase {
    const char* name;
    std::string text;
    std::vector<std::string> paths;
};

class CliViewsList : public ::testing::TestWithParam<ListCase> {};

TEST_P(CliViewsList, ReadsOnePathALine) {
    std::vector<std::string> paths;
    std::string error;
    ASSERT_TRUE(ParseInputList(GetParam().text, paths, error)) << error;
    EXPECT_EQ(paths, GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CliViewsList,
    ::testing::Values(ListCase{"Empty", "", {}},
                      ListCase{"NoLastLineEnd", "a.off\nb.off", {"a.off", "b.off"}},
                      ListCase{"CrLf", "a.off\r\nb.off\r\n", {"a.off", "b.off"}},
                      ListCase{"BlankLinesSkipped", "\n\na.off\n\r\n\nb.off\n\n", {"a.off", "b.off"}},
                      ListCase{"BlanksAndHashKept", " a.off \n#b.off\n", {" a.off ", "#b.off"}},
                      ListCase{"LoneCrAtTheEnd", "a.off\r", {"a.off"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliViewsList, NulByteIsRefusedWithItsLine) {
    std::vector<std::string> paths;
    std::string error;
    EXPECT_FALSE(ParseInputList(std::string("a.off\nb\0c.off\n", 14), paths, error));
    EXPECT_EQ(error, "line 2: a file name cannot hold a NUL byte");
}

TEST(CliViewsList, StandardInputAndMissingFilesThroughTheProgram) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "list.txt",
               TestModel("cube.off") + "\r\n\r\n" + (folder / "missing.off").string() + "\n");
    const RunResult result = RunBinary("render --views 2 --size 16 --out-dir '" + (folder / "out").string() +
                                       "' --list - < '" + (folder / "list.txt").string() + "'");
    EXPECT_EQ(result.status, kExitRefused) << result.out;
    EXPECT_NE(result.out.find((folder / "missing.off").string() + ": "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("1 rendered, 1 refused; 2 images"), std::string::npos) << result.out;
    EXPECT_TRUE(fs::exists(folder / "out" / "cube_001.png"));

    const RunResult missing = RunBinary("render --out-dir '" + folder.string() + "' --list '" +
                                        (folder / "nolist.txt").string() + "'");
    EXPECT_EQ(missing.status, kExitRefused) << missing.out;
    EXPECT_NE(missing.out.find("nolist.txt"), std::string::npos) << missing.out;
}

// ---- Shards ----

TEST(CliViewsShard, ShardsPartitionAnyListForAnyCount) {
    std::mt19937 random(20261207);
    std::vector<std::string> paths;
    for (int i = 0; i < 2000; ++i) {
        paths.push_back("/data/set/" + std::to_string(random()) + "/model_" + std::to_string(i) + ".off");
    }
    for (std::uint32_t count = 1; count <= 40; ++count) {
        std::vector<int> seen(paths.size(), 0);
        std::size_t largest = 0;
        for (std::uint32_t k = 1; k <= count; ++k) {
            const std::vector<std::size_t> part = SelectShard(paths, Shard{k, count});
            EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
            largest = std::max(largest, part.size());
            for (const std::size_t i : part) {
                ++seen[i];
            }
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(paths.size())) << count;
        // The hash spreads the paths: no part holds much more than its share.
        EXPECT_LT(largest, paths.size() / count + paths.size() / count / 2 + 40) << count;
    }
}

TEST(CliViewsShard, APathStaysInItsShardWhateverTheRestOfTheList) {
    // Fixed values: the split is the same on every machine and in every later version.
    EXPECT_EQ(ShardOfPath("", 1), 1u);
    const std::vector<std::string> list{"a.off", "b.off", "models/c.off", "d.off"};
    for (std::uint32_t count : {2u, 3u, 7u}) {
        std::vector<std::string> reordered(list.rbegin(), list.rend());
        reordered.insert(reordered.begin() + 1, "extra.off");
        for (const std::string& path : list) {
            const std::uint32_t shard = ShardOfPath(path, count);
            const auto where = std::find(reordered.begin(), reordered.end(), path) - reordered.begin();
            const std::vector<std::size_t> part = SelectShard(reordered, Shard{shard, count});
            EXPECT_NE(std::find(part.begin(), part.end(), static_cast<std::size_t>(where)), part.end());
        }
    }
}

TEST(CliViewsShard, ParsesKOfN) {
    Shard shard;
    std::string error;
    EXPECT_TRUE(ParseShard("3/8", shard, error));
    EXPECT_EQ(shard.index, 3u);
    EXPECT_EQ(shard.count, 8u);
    for (const char* bad : {"0/3", "4/3", "1/0", "3", "/3", "1/", "a/b", "1/3x", "-1/3", "1 /3"}) {
        EXPECT_FALSE(ParseShard(bad, shard, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliViewsShard, ShardManifestsTogetherAreTheWholeRunsManifest) {
    const fs::path folder = ScratchFolder();
    const std::vector<std::string> files{TestModel("cube.off"),        TestModel("teapot.off"),
                                         TestModel("torus_quads.off"), TestModel("double_torus.off"),
                                         TestModel("wuson.off"),       TestModel("mannequin_devil.off")};
    const RenderOptions whole = Ring(files, folder / "whole", 3);
    ASSERT_EQ(RunCommand(RunRender, whole).status, kExitOk);
    std::map<std::pair<double, double>, std::string> merged;
    for (std::uint32_t k = 1; k <= 4; ++k) {
        RenderOptions part = Ring(files, folder / "parts", 3);
        part.shard = Shard{k, 4};
        ASSERT_EQ(RunCommand(RunRender, part).status, kExitOk);
        const fs::path manifest = folder / "parts" / ("views." + std::to_string(k) + "-of-4.json");
        for (const std::string& record : ManifestRecords(ReadBytes(manifest))) {
            const auto key = std::pair{RecordNumbers(record, "index")[0], RecordNumbers(record, "view")[0]};
            EXPECT_TRUE(merged.emplace(key, record).second) << record;
        }
    }
    std::vector<std::string> records;
    for (const auto& [key, record] : merged) {
        records.push_back(record);
    }
    EXPECT_EQ(records, ManifestRecords(ReadBytes(folder / "whole" / "views.json")));
    for (const std::string& record : records) {
        const std::string name = RecordText(record, "file");
        EXPECT_EQ(ReadBytes(folder / "parts" / name), ReadBytes(folder / "whole" / name)) << name;
    }
}

// ---- Reruns ----

TEST(CliViewsSkip, CompletePicturesAreSkippedAndTruncatedOnesDrawnAgain) {
    const fs::path folder = ScratchFolder();
    RenderOptions options = Ring({TestModel("cube.off"), TestModel("teapot.off")}, folder, 4);
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const std::string manifest = ReadBytes(folder / "views.json");
    const std::string picture = ReadBytes(folder / "teapot_002.png");
    fs::resize_file(folder / "teapot_002.png", picture.size() - 1);
    options.skipExisting = true;
    RunResult result = RunCommand(RunRender, options);
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "1 rendered, 1 skipped (pictures complete), 0 refused; 4 images\n");
    EXPECT_EQ(ReadBytes(folder / "teapot_002.png"), picture);
    // The manifest of a rerun still holds every model's records.
    EXPECT_EQ(ReadBytes(folder / "views.json"), manifest);
    fs::remove(folder / "cube_003.png");
    result = RunCommand(RunRender, options);
    EXPECT_EQ(result.out, "1 rendered, 1 skipped (pictures complete), 0 refused; 4 images\n");
    result = RunCommand(RunRender, options);
    EXPECT_EQ(result.out, "0 rendered, 2 skipped (pictures complete), 0 refused; 0 images\n");
    EXPECT_EQ(ReadBytes(folder / "views.json"), manifest);
    // A picture of another size is not the one asked for.
    options.size = 40;
    result = RunCommand(RunRender, options);
    EXPECT_EQ(result.out, "2 rendered, 0 skipped (pictures complete), 0 refused; 8 images\n");
}

TEST(CliViewsSkip, CompletenessNeedsTheWholeFileOfTheAskedSize) {
    const fs::path folder = ScratchFolder();
    RenderOptions options;
    options.files = {TestModel("cube.off")};
    options.output = (folder / "cube.png").string();
    options.size = 20;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const std::string bytes = ReadBytes(folder / "cube.png");
    EXPECT_TRUE(IsCompletePng(options.output, 20));
    EXPECT_FALSE(IsCompletePng(options.output, 21));
    EXPECT_FALSE(IsCompletePng(options.output, 20, true));
    EXPECT_FALSE(IsCompletePng((folder / "missing.png").string(), 20));
    EXPECT_FALSE(IsCompletePng(folder.string(), 20));
    for (const std::size_t cut : {std::size_t{1}, std::size_t{12}, bytes.size() / 2, bytes.size() - 1}) {
        WriteBytes(folder / "cut.png", bytes.substr(0, bytes.size() - cut));
        EXPECT_FALSE(IsCompletePng((folder / "cut.png").string(), 20)) << cut;
    }
    std::string corrupt = bytes;
    corrupt[1] = 'Q';
    WriteBytes(folder / "corrupt.png", corrupt);
    EXPECT_FALSE(IsCompletePng((folder / "corrupt.png").string(), 20));
}

}  // namespace
}  // namespace quorvane::cli::test

// Reading the vertex and face sections on two threads gives exactly what reading them in turn gives:
// the same model, or the same refusal with the same line, and the same repairs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/document.h"
#include "model/thread_start.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

constexpr std::size_t kAlwaysParallel = 0;
constexpr std::size_t kNeverParallel = ~std::size_t{0};

struct Reading {
    bool ok = false;
    OffError error;
    OffReadStats stats;
    bool binary = false;
    std::string repairs;
    std::vector<CVector3D> vertices;
    std::vector<int> indices;
    std::vector<CEdge> edges;
    int counts[5] = {};
    double box[6] = {};
};

Reading Read(const std::string& text, bool repair, std::size_t parallelFromBytes) {
    CQuorvaneDoc doc;
    Reading r;
    OffRepairReport report;
    r.ok = doc.LoadFromText(text, &r.error, OffReadOptions{repair, parallelFromBytes}, &report, &r.stats);
    r.repairs = report.Summary() + std::to_string(report.Total());
    r.binary = report.Count(OffRepairKind::kBinary) != 0;
    if (r.ok) {
        EXPECT_TRUE(testing::IsConsistent(doc)) << "parallelFromBytes=" << parallelFromBytes;
        r.vertices = doc.m_vertices;
        r.indices = doc.m_polygons.Indices();
        r.edges = doc.m_edges;
        r.counts[0] = doc.m_nVertices;
        r.counts[1] = doc.m_nPolygons;
        r.counts[2] = doc.m_nEdges;
        r.counts[3] = doc.m_nUniqueEdges;
        r.counts[4] = doc.m_nLargestPolygon;
        const double box[6] = {doc.m_maxX, doc.m_minX, doc.m_maxY, doc.m_minY, doc.m_maxZ, doc.m_minZ};
        std::copy(box, box + 6, r.box);
    }
    return r;
}

void ExpectSameReadings(const Reading& serial, const Reading& parallel, const std::string& name,
                        bool repair) {
    ASSERT_EQ(parallel.ok, serial.ok) << name << " repair=" << repair << ": " << serial.error.ToString();
    EXPECT_EQ(parallel.error.line, serial.error.line) << name << " repair=" << repair;
    EXPECT_EQ(parallel.error.reason, serial.error.reason) << name << " repair=" << repair;
    EXPECT_EQ(parallel.repairs, serial.repairs) << name << " repair=" << repair;
    EXPECT_EQ(parallel.vertices, serial.vertices) << name;
    EXPECT_EQ(parallel.indices, serial.indices) << name;
    EXPECT_EQ(parallel.edges, serial.edges) << name;
    EXPECT_TRUE(std::equal(parallel.counts, parallel.counts + 5, serial.counts)) << name;
    // Bit for bit: on ties between 0 and -0 the earlier vertex's value is the bound.
    EXPECT_EQ(std::memcmp(parallel.box, serial.box, sizeof serial.box), 0) << name;
}

// How often the two-thread reading split the text inside the vertex section and after it.
struct Splits {
    int insideVertices = 0;
    int afterVertices = 0;
};

// Reads `text` serially, on two threads and with the second thread refused by the system, in both
// modes: all three agree, and the two-thread reading did run on two threads wherever the text
// has polygons after a vertex section that ends.
void ExpectSameReading(const std::string& text, const std::string& name, Splits* splits = nullptr) {
    for (const bool repair : {false, true}) {
        const Reading serial = Read(text, repair, kNeverParallel);
        EXPECT_FALSE(serial.stats.twoThreads);
        const Reading parallel = Read(text, repair, kAlwaysParallel);
        ExpectSameReadings(serial, parallel, name, repair);
        if (serial.ok && !serial.binary) {
            EXPECT_TRUE(parallel.stats.twoThreads) << name << " repair=" << repair;
        }
        if (splits && parallel.stats.twoThreads) {
            ++(parallel.stats.secondThreadVertices > 0 ? splits->insideVertices : splits->afterVertices);
        }
        LimitThreadStartsForTesting(0);
        const Reading refused = Read(text, repair, kAlwaysParallel);
        LimitThreadStartsForTesting(-1);
        ExpectSameReadings(serial, refused, name + " (thread refused)", repair);
        EXPECT_FALSE(refused.stats.twoThreads) << name;
        EXPECT_EQ(refused.stats.threadRefused, parallel.stats.twoThreads) << name;
    }
}

// A random OFF text with random departures: blank and comment lines, trailing comments, bad
// indices, short lines, missing lines, CR LF or CR line ends.
std::string RandomOffText(std::mt19937& rng) {
    auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
    const int vertices = 1 + static_cast<int>(rng() % 8);
    const int polygons = chance(5) ? 0 : 1 + static_cast<int>(rng() % 8);
    const char* end = chance(20) ? "\r\n" : chance(10) ? "\r" : chance(5) ? "\r\r\n" : "\n";
    std::string text = chance(10) ? "COFF" : "OFF";
    text += end;
    text += std::to_string(vertices + (chance(10) ? 1 : 0)) + " " + std::to_string(polygons) + end;
    auto noise = [&] {
        if (chance(8)) {
            text += end;
        }
        if (chance(8)) {
            text += "# note";
            text += end;
        }
    };
    for (int v = 0; v < vertices; ++v) {
        noise();
        // -0 and 0 tie in the box: the earlier one must stay its bound.
        text +=
            (chance(20) ? std::string("-0") : std::to_string(rng() % 5)) + " " + std::to_string(rng() % 5);
        if (!chance(5)) {
            text += ' ';
            text += std::to_string(rng() % 5);
        }
        if (chance(8)) {
            text += " #c";
        }
        text += end;
    }
    for (int p = 0; p < polygons; ++p) {
        noise();
        const int n = chance(5) ? -1 : static_cast<int>(rng() % 6);
        text += std::to_string(n);
        for (int i = 0; i < n - (chance(5) ? 1 : 0); ++i) {
            text += ' ';
            text += std::to_string(static_cast<int>(rng() % (vertices + (chance(5) ? 3 : 0))));
        }
        text += end;
    }
    if (chance(20)) {
        text.resize(rng() % (text.size() + 1));
    }
    return text;
}

TEST(OffParallel, RandomTextsReadTheSameOnTwoThreads) {
    std::mt19937 rng(2026);
    Splits splits;
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomOffText(rng);
        ExpectSameReading(text, std::string("round ").append(std::to_string(round)), &splits);
        if (HasFatalFailure()) {
            FAIL() << text;
        }
    }
    // Both ways of splitting the text were taken many times.
    EXPECT_GT(splits.insideVertices, 500);
    EXPECT_GT(splits.afterVertices, 500);
}

TEST(OffParallel, RealFilesReadTheSameOnTwoThreads) {
    for (const char* file : {"teapot.off", "elephant.off", "colored_patch_coff.off", "double_torus.off",
                             "mpi_polygons.off", "openscad_example002.off"}) {
        const std::string text = testing::ReadBytes(testing::TestModel(file));
        ExpectSameReading(text, file);
    }
}

TEST(OffParallel, ManyRepairsKeepTheFirstExamplesOfTheWholeFile) {
    std::string text = "OFF\n3 12\n# a\n0 0 0\n# b\n1 0 0\n# c\n0 1 0\n";
    for (int i = 0; i < 12; ++i) {
        text += "# face\n3 0 1 ";
        text += i % 2 ? "2\n" : "7\n";
    }
    ExpectSameReading(text, "comments in both sections");
}

// The repairing reading of a file past the two-thread threshold (1 MiB after the counts) with a
// bad index, a comment line and a short face after 175,000 vertices gives the model and report of
// its small twin, the same faces after 3 vertices.
TEST(OffParallel, RepairPastOneMebibyteGivesTheSmallTwinsModelAndReport) {
    const std::string faces = "3 0 1 2\n3 0 1 700000\n# a comment\n4 0 1 2\n3 2 1 0\n";
    const auto file = [&](int vertices) {
        std::string text = "OFF\n" + std::to_string(vertices) + " 4\n0 0 0\n1 0 0\n0 1 0\n";
        for (int k = 3; k < vertices; ++k) {
            text += "0.500000 0.250000 0.125000\n";
        }
        return text + faces;
    };
    constexpr int kBig = 175000;
    const std::string big = file(kBig);
    ASSERT_GT(big.size(), std::size_t{1} << 20);

    CQuorvaneDoc small, large, serial;
    OffRepairReport smallReport, largeReport, serialReport;
    OffReadStats stats;
    OffError error;
    ASSERT_TRUE(small.LoadFromText(file(3), &error, OffReadOptions{true}, &smallReport)) << error.ToString();
    // The default options: the file is large enough for two threads.
    ASSERT_TRUE(large.LoadFromText(big, &error, OffReadOptions{true}, &largeReport, &stats))
        << error.ToString();
    EXPECT_TRUE(stats.twoThreads);
    ASSERT_TRUE(serial.LoadFromText(big, &error, OffReadOptions{true, kNeverParallel}, &serialReport));

    EXPECT_EQ(testing::PolygonsOf(large), testing::PolygonsOf(small));
    EXPECT_EQ(testing::PolygonsOf(large), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 0}}));
    EXPECT_EQ(large.m_edges, small.m_edges);
    EXPECT_EQ(large.m_nPolygons, 2);
    EXPECT_EQ(largeReport.Summary(), serialReport.Summary());
    ASSERT_EQ(largeReport.Examples().size(), smallReport.Examples().size()) << largeReport.Summary();
    EXPECT_EQ(largeReport.Total(), 3u) << largeReport.Summary();
    for (std::size_t i = 0; i < largeReport.Examples().size(); ++i) {
        const OffRepair& a = largeReport.Examples()[i];
        const OffRepair& b = smallReport.Examples()[i];
        EXPECT_EQ(a.kind, b.kind) << i;
        EXPECT_EQ(a.line, b.line + (kBig - 3)) << i;
    }
    for (const OffRepairKind kind :
         {OffRepairKind::kBadIndexFace, OffRepairKind::kCommentLine, OffRepairKind::kShortFace}) {
        EXPECT_EQ(largeReport.Count(kind), 1u) << OffRepairReport::KindName(kind);
    }
}

TEST(OffParallel, RefusedSecondThreadReadsALargeFileOnOneThread) {
    std::string text = "OFF\n200000 1\n";
    for (int k = 0; k < 200000; ++k) {
        text += "1.000000 2.000000 3.000000\n";
    }
    text += "3 0 1 2\n";
    LimitThreadStartsForTesting(0);
    CQuorvaneDoc doc;
    OffError error;
    OffReadStats stats;
    const bool ok = doc.LoadFromText(text, &error, OffReadOptions{}, nullptr, &stats);
    LimitThreadStartsForTesting(-1);
    ASSERT_TRUE(ok) << error.ToString();
    EXPECT_TRUE(stats.threadRefused);
    EXPECT_FALSE(stats.twoThreads);
    EXPECT_EQ(doc.m_nVertices, 200000);
    EXPECT_EQ(doc.m_nUniqueEdges, 3);
}

}  // namespace
}  // namespace quorvane

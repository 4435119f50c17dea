#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/document.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

using testing::PolygonsOf;

const OffReadOptions kRepair{true};

const char* kTriangleBody = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";

struct QuirkCase {
    const char* name;
    std::string text;
    OffRepairKind kind;
    std::size_t count;
    std::size_t firstLine;
};

TEST(OffRepair, EachQuirkIsRepairedAndReportedWithItsLine) {
    const QuirkCase cases[] = {
        {"byte-order mark", "\xEF\xBB\xBFOFF\n3 1\n" + std::string(kTriangleBody),
         OffRepairKind::kByteOrderMark, 1, 1},
        {"comment before keyword", "# made by hand\nOFF\n3 1\n" + std::string(kTriangleBody),
         OffRepairKind::kCommentLine, 1, 1},
        {"comment lines in vertices", "OFF\n3 1\n0 0 0\n# x\n  # y\n1 0 0\n0 1 0\n3 0 1 2\n",
         OffRepairKind::kCommentLine, 2, 4},
        {"comment after data", "OFF\n3 1\n0 0 0#red\n1 0 0 # blue\n0 1 0\n3 0 1 2 # face\n",
         OffRepairKind::kTrailingComment, 3, 3},
        {"blank line after counts", "OFF\n3 1\n\n" + std::string(kTriangleBody), OffRepairKind::kBlankLine, 1,
         3},
        {"counts on keyword line", "OFF 3 1 0\n" + std::string(kTriangleBody),
         OffRepairKind::kCountsOnKeyword, 1, 1},
        {"counts fused with keyword", "OFF3 1 0\n" + std::string(kTriangleBody),
         OffRepairKind::kCountsOnKeyword, 1, 1},
        {"no keyword", "3 1 0\n" + std::string(kTriangleBody), OffRepairKind::kMissingKeyword, 1, 1},
        {"COFF", "COFF\n3 1\n0 0 0 1 0 0 1\n1 0 0 0 1 0 1\n0 1 0 0 0 1 1\n3 0 1 2 9 9 9\n",
         OffRepairKind::kKeywordVariant, 1, 1},
        {"STCNOFF", "STCNOFF\n3 1\n" + std::string(kTriangleBody), OffRepairKind::kKeywordVariant, 1, 1},
        {"trailing blanks on keyword", "OFF  \t\n3 1\n" + std::string(kTriangleBody),
         OffRepairKind::kKeywordBlanks, 1, 1},
        {"bad index dropped", "OFF\n3 2\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n3 0 1 2\n",
         OffRepairKind::kBadIndexFace, 1, 6},
        {"negative count dropped", "OFF\n3 2\n0 0 0\n1 0 0\n0 1 0\n-3 0 1 2\n3 0 1 2\n",
         OffRepairKind::kNegativeCountFace, 1, 6},
        {"short face dropped", "OFF\n3 2\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2\n3 0 1 2\n", OffRepairKind::kShortFace,
         1, 6},
        {"missing faces", "OFF\n3 3\n" + std::string(kTriangleBody), OffRepairKind::kMissingFaces, 1, 7},
    };
    for (const QuirkCase& c : cases) {
        CQuorvaneDoc strict;
        // Comments after the numbers are extra tokens the strict reading already ignores.
        if (c.kind != OffRepairKind::kTrailingComment) {
            EXPECT_FALSE(strict.LoadFromText(c.text)) << c.name << " should be refused by the strict reading";
        }
        CQuorvaneDoc doc;
        OffError error;
        OffRepairReport report;
        ASSERT_TRUE(doc.LoadFromText(c.text, &error, kRepair, &report)) << c.name << ": " << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc));
        EXPECT_EQ(doc.m_nVertices, 3) << c.name;
        EXPECT_EQ(PolygonsOf(doc), (std::vector<std::vector<int>>{{0, 1, 2}})) << c.name;
        EXPECT_EQ(doc.m_nPolygons, 1) << c.name;
        EXPECT_EQ(report.Count(c.kind), c.count) << c.name << "\n" << report.Summary();
        ASSERT_FALSE(report.Examples().empty()) << c.name;
        std::size_t firstLine = 0;
        for (const OffRepair& repair : report.Examples()) {
            if (repair.kind == c.kind) {
                firstLine = repair.line;
                break;
            }
        }
        EXPECT_EQ(firstLine, c.firstLine) << c.name << "\n" << report.Summary();
    }
}

TEST(OffRepair, StrictFilesReadTheSameWithNoRepairs) {
    for (const char* text : {"OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n\n  \n3 0 1 2 255 0 0\n",
                             "OFF\r\n3 2\r\n 0 0 0\r\n1 0 0\r\n0 1 0\r\n3 0 1 2\r\n0\r\n"}) {
        CQuorvaneDoc strict, repaired;
        OffRepairReport report;
        ASSERT_TRUE(strict.LoadFromText(text));
        EXPECT_TRUE(testing::IsConsistent(strict));
        ASSERT_TRUE(repaired.LoadFromText(text, nullptr, kRepair, &report));
        EXPECT_TRUE(testing::IsConsistent(repaired));
        EXPECT_TRUE(report.Empty()) << report.Summary();
        EXPECT_EQ(PolygonsOf(strict), PolygonsOf(repaired));
        EXPECT_EQ(strict.m_vertices, repaired.m_vertices);
        EXPECT_EQ(strict.m_nEdges, repaired.m_nEdges);
    }
}

TEST(OffRepair, StillRefusesWhatCannotBeRepaired) {
    const struct {
        const char* name;
        std::string text;
        std::size_t line;
        const char* reason;
    } cases[] = {
        {"4OFF", "4OFF\n3 1\n", 1, "4-dimensional"},
        {"nOFF", "nOFF\n4\n3 1\n", 1, "n-dimensional"},
        {"end inside vertices", "OFF\n3 1\n0 0 0\n1 0 0\n", 5, "end of file where vertex 3 of 3"},
        {"no vertices", "OFF\n0 1\n", 2, "vertex count must be positive"},
        {"negative polygon count", "OFF\n3 -2\n0 0 0\n1 0 0\n0 1 0\n", 2, "polygon count must be positive"},
        {"every face bad", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n", 6, "every polygon was dropped"},
        {"faces missing entirely", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n", 6, "before the first polygon of 1"},
        {"not OFF at all", "PLY\n3 1\n", 1, "expected an OFF keyword"},
        {"empty", "", 1, "no OFF keyword"},
        {"short vertex", "OFF\n3 1\n0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 3, "needs three coordinates"},
    };
    for (const auto& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        EXPECT_FALSE(doc.LoadFromText(c.text, &error, kRepair)) << c.name;
        EXPECT_EQ(error.line, c.line) << c.name << ": " << error.ToString();
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.name << ": " << error.reason;
    }
}

TEST(OffRepair, PointSetIsReadAsAModelWithoutPolygons) {
    const std::string text = "OFF\n4 0 0\n0 0 0\n1 0 0\n0 1 0\n0 0 2\n";
    CQuorvaneDoc strict;
    OffError error;
    EXPECT_FALSE(strict.LoadFromText(text, &error));
    EXPECT_EQ(error.ToString(), "line 2: the polygon count must be positive, found \"0\"");
    for (const std::size_t parallelFrom : {std::size_t{0}, ~std::size_t{0}}) {
        CQuorvaneDoc doc;
        OffRepairReport report;
        ASSERT_TRUE(doc.LoadFromText(text, &error, OffReadOptions{true, parallelFrom}, &report))
            << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc));
        EXPECT_EQ(doc.m_nVertices, 4);
        EXPECT_EQ(doc.m_nPolygons, 0);
        EXPECT_EQ(doc.m_nEdges, 0);
        EXPECT_EQ(doc.m_nUniqueEdges, 0);
        EXPECT_EQ(doc.m_nLargestPolygon, 0);
        EXPECT_EQ(doc.m_maxZ, 2.0);
        EXPECT_EQ(report.Total(), 1u);
        EXPECT_EQ(report.Summary(),
                  "1 point set without polygons read\n    line 2: no polygons; read the 4 vertices as a "
                  "point set\n");
        EXPECT_STREQ(OffRepairReport::KindName(OffRepairKind::kPointSet), "point_set");
        // Written out, it is the same point set.
        std::string written;
        ASSERT_TRUE(doc.SaveToText(written));
        EXPECT_EQ(written.rfind("OFF\r\n4 0 0\r\n", 0), 0u) << written;
        CQuorvaneDoc again;
        ASSERT_TRUE(again.LoadFromText(written, &error, kRepair));
        EXPECT_EQ(again.m_vertices, doc.m_vertices);
    }
    // The binary form too.
    std::string binary = "OFF BINARY\n";
    for (const std::uint32_t word : {1u, 0u, 0u, 0x3f800000u, 0u, 0u}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            binary.push_back(static_cast<char>((word >> shift) & 0xFF));
        }
    }
    CQuorvaneDoc doc;
    OffRepairReport report;
    ASSERT_TRUE(doc.LoadFromText(binary, &error, kRepair, &report)) << error.ToString();
    EXPECT_EQ(doc.m_nVertices, 1);
    EXPECT_EQ(doc.m_nPolygons, 0);
    EXPECT_EQ(report.Count(OffRepairKind::kPointSet), 1u);
}

TEST(OffRepair, ManyRepairsGiveAShortSummary) {
    std::string text = "OFF\n3 10001\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    for (int i = 0; i < 10000; ++i) {
        text += "3 0 1 5\n";
    }
    CQuorvaneDoc doc;
    OffRepairReport report;
    ASSERT_TRUE(doc.LoadFromText(text, nullptr, kRepair, &report));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(report.Count(OffRepairKind::kBadIndexFace), 10000u);
    EXPECT_EQ(report.Examples().size(), OffRepairReport::kExamplesPerKind);
    const std::string summary = report.Summary();
    EXPECT_NE(summary.find("10000 polygons with a vertex index out of range dropped"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("line 7: dropped polygon 2 refers to vertex 5"), std::string::npos) << summary;
    EXPECT_NE(summary.find("and 9995 more"), std::string::npos) << summary;
    EXPECT_LT(std::count(summary.begin(), summary.end(), '\n'), 10);
}

struct RealCase {
    const char* file;
    int vertices, polygons, edges, uniqueEdges, largest;
};

TEST(OffRepair, RealQuirkyFilesOpenWithRepairs) {
    const RealCase cases[] = {
        {"elephant.off", 2775, 5558, 16674, 8337, 3},
        {"openscad_example002.off", 180, 376, 1128, -1, 3},
        {"colored_patch_coff.off", 8, 4, 14, -1, 5},
        {"mpi_polygons.off", 90, 52, -1, -1, -1},
    };
    for (const RealCase& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        OffRepairReport report;
        ASSERT_TRUE(doc.LoadFromFile(testing::TestModel(c.file), &error, kRepair, &report))
            << c.file << ": " << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc));
        EXPECT_FALSE(report.Empty()) << c.file;
        EXPECT_EQ(doc.m_nVertices, c.vertices) << c.file;
        EXPECT_EQ(doc.m_nPolygons, c.polygons) << c.file;
        if (c.edges >= 0) {
            EXPECT_EQ(doc.m_nEdges, c.edges) << c.file;
        }
        if (c.uniqueEdges >= 0) {
            EXPECT_EQ(doc.m_nUniqueEdges, c.uniqueEdges) << c.file;
        }
        if (c.largest >= 0) {
            EXPECT_EQ(doc.m_nLargestPolygon, c.largest) << c.file;
        }
    }
}

TEST(OffRepair, RepairedFileWrittenOutIsStrictAndTheSameModel) {
    CQuorvaneDoc repaired;
    ASSERT_TRUE(repaired.LoadFromFile(testing::TestModel("colored_patch_coff.off"), nullptr, kRepair));
    EXPECT_TRUE(testing::IsConsistent(repaired));
    std::string text;
    ASSERT_TRUE(repaired.SaveToText(text));
    CQuorvaneDoc strict;
    OffError error;
    ASSERT_TRUE(strict.LoadFromText(text, &error)) << error.ToString();
    EXPECT_TRUE(testing::IsConsistent(strict));
    EXPECT_EQ(PolygonsOf(strict), PolygonsOf(repaired));
    EXPECT_EQ(strict.m_nUniqueEdges, repaired.m_nUniqueEdges);
}

// Builds the binary form of a model: big-endian counts, floats per vertex, faces with colours.
class BinaryOff {
  public:
    explicit BinaryOff(const std::string& keyword) : bytes_(keyword + " BINARY\n") {}
    BinaryOff& Int(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes_.push_back(static_cast<char>((u >> shift) & 0xFF));
        }
        return *this;
    }
    BinaryOff& Float(float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof(u));
        return Int(static_cast<std::int32_t>(u));
    }
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

TEST(OffRepair, BinaryFormReadsTheSameModelAsItsText) {
    const char* text = "OFF\n4 2\n0 0 0\n1.5 0 0\n0 -2.25 0\n0 0 3\n3 0 1 2\n4 0 1 3 2\n";
    CQuorvaneDoc fromText;
    ASSERT_TRUE(fromText.LoadFromText(text));
    EXPECT_TRUE(testing::IsConsistent(fromText));

    BinaryOff binary("OFF");
    binary.Int(4).Int(2).Int(0);
    for (float v : {0.f, 0.f, 0.f, 1.5f, 0.f, 0.f, 0.f, -2.25f, 0.f, 0.f, 0.f, 3.f}) {
        binary.Float(v);
    }
    binary.Int(3).Int(0).Int(1).Int(2).Int(0);
    binary.Int(4).Int(0).Int(1).Int(3).Int(2).Int(3).Float(1).Float(0).Float(0);
    CQuorvaneDoc fromBinary;
    OffError error;
    OffRepairReport report;
    ASSERT_TRUE(fromBinary.LoadFromText(binary.Bytes(), &error, kRepair, &report)) << error.ToString();
    EXPECT_TRUE(testing::IsConsistent(fromBinary));
    EXPECT_EQ(report.Count(OffRepairKind::kBinary), 1u);
    EXPECT_EQ(fromBinary.m_vertices, fromText.m_vertices);
    EXPECT_EQ(PolygonsOf(fromBinary), PolygonsOf(fromText));
    EXPECT_EQ(fromBinary.m_nUniqueEdges, fromText.m_nUniqueEdges);
    EXPECT_EQ(fromBinary.m_minY, -2.25);
    EXPECT_FALSE(CQuorvaneDoc().LoadFromText(binary.Bytes())) << "strict reading refuses the binary form";
}

TEST(OffRepair, BinaryVariantsSkipTheirExtraVertexValues) {
    // CNOFF: position, normal (3) and colour (4) per vertex.
    BinaryOff binary("CNOFF");
    binary.Int(3).Int(1).Int(0);
    for (int v = 0; v < 3; ++v) {
        binary.Float(static_cast<float>(v)).Float(0).Float(0);
        binary.Float(9).Float(9).Float(9);
        binary.Float(7).Float(7).Float(7).Float(7);
    }
    binary.Int(3).Int(2).Int(1).Int(0).Int(0);
    CQuorvaneDoc doc;
    OffError error;
    ASSERT_TRUE(doc.LoadFromText(binary.Bytes(), &error, kRepair)) << error.ToString();
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_vertices[2], CVector3D(2, 0, 0));
    EXPECT_EQ(PolygonsOf(doc), (std::vector<std::vector<int>>{{2, 1, 0}}));
}

TEST(OffRepair, BinaryTruncationsAndBadIndicesAreHandled) {
    BinaryOff full("OFF");
    full.Int(3).Int(2).Int(0);
    for (int i = 0; i < 9; ++i) {
        full.Float(static_cast<float>(i));
    }
    full.Int(3).Int(0).Int(1).Int(9).Int(0);  // bad index: dropped
    full.Int(3).Int(0).Int(1).Int(2).Int(0);
    CQuorvaneDoc doc;
    OffRepairReport report;
    ASSERT_TRUE(doc.LoadFromText(full.Bytes(), nullptr, kRepair, &report));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(report.Count(OffRepairKind::kBadIndexFace), 1u);
    EXPECT_EQ(doc.m_nPolygons, 1);
    // Every prefix either loads or is refused, and never holds a bad index.
    for (std::size_t n = 0; n <= full.Bytes().size(); ++n) {
        CQuorvaneDoc prefix;
        OffError error;
        if (prefix.LoadFromText(std::string_view(full.Bytes()).substr(0, n), &error, kRepair)) {
            EXPECT_TRUE(testing::IsConsistent(prefix)) << n;
            for (int index : prefix.m_polygons.Indices()) {
                ASSERT_LT(index, prefix.m_nVertices);
            }
        } else {
            EXPECT_FALSE(error.reason.empty());
        }
    }
}

TEST(OffRepairReport, CountsReadAsWordsSingularForOnePluralOtherwise) {
    const struct {
        OffRepairKind kind;
        std::size_t count;
        const char* words;
    } cases[] = {
        {OffRepairKind::kBlankLine, 1, "1 blank line skipped"},
        {OffRepairKind::kBlankLine, 2, "2 blank lines skipped"},
        {OffRepairKind::kBlankLine, 0, "0 blank lines skipped"},
        {OffRepairKind::kShortFace, 1, "1 polygon with fewer indices than its count dropped"},
        {OffRepairKind::kShortFace, 7, "7 polygons with fewer indices than their count dropped"},
        {OffRepairKind::kPointSet, 1, "1 point set without polygons read"},
        {OffRepairKind::kCount, 1, "1 unknown repair"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OffRepairReport::CountedKind(c.kind, c.count), c.words);
    }
    // Every kind has its own words, and none of them is the bare count.
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        const std::string one = OffRepairReport::CountedKind(static_cast<OffRepairKind>(k), 1);
        const std::string many = OffRepairReport::CountedKind(static_cast<OffRepairKind>(k), 2);
        EXPECT_NE(one.substr(2), many.substr(2)) << one;
        EXPECT_EQ(one.find(" x "), std::string::npos) << one;
    }
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/document.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

using testing::PolygonsOf;
using testing::ReadBytes;

const char* kCube =
    "OFF\n8 6 12\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
    "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n";

TEST(OffReader, NewDocumentIsTheEmptyModel) {
    CQuorvaneDoc doc;
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_nVertices, 0);
    EXPECT_EQ(doc.m_nPolygons, 0);
    EXPECT_EQ(doc.m_nEdges, 0);
    EXPECT_EQ(doc.m_nUniqueEdges, 0);
    EXPECT_EQ(doc.m_nLargestPolygon, 0);
    EXPECT_EQ(doc.m_maxX, 0.5);
    EXPECT_EQ(doc.m_minX, -0.5);
    EXPECT_EQ(doc.m_maxZ, 0.5);
    EXPECT_EQ(doc.m_minY, -0.5);
}

TEST(OffReader, CubeGivesCountsBoxAndEdges) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_nVertices, 8);
    EXPECT_EQ(doc.m_nPolygons, 6);
    EXPECT_EQ(doc.m_nEdges, 24);
    EXPECT_EQ(doc.m_nUniqueEdges, 12);
    EXPECT_EQ(doc.m_nLargestPolygon, 4);
    EXPECT_EQ(doc.m_minX, 0.0);
    EXPECT_EQ(doc.m_maxY, 1.0);
    EXPECT_EQ(doc.m_maxZ, 1.0);
}

struct AcceptCase {
    const char* name;
    const char* text;
    int vertices;
    std::vector<std::vector<int>> polygons;
};

TEST(OffReader, AcceptsWhatTheFormatAllows) {
    const AcceptCase cases[] = {
        {"two counts", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 3, {{0, 1, 2}}},
        {"colour after face", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 255 0 0\n", 3, {{0, 1, 2}}},
        {"face of zero", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n0\n3 0 1 2\n", 3, {{}, {0, 1, 2}}},
        {"face count not a number", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\nabc\n3 0 1 2\n", 3, {{}, {0, 1, 2}}},
        {"blank lines between faces",
         "OFF\n3 2\n0 0 0\n1 0 0\n0 1 0\n\n  \t\n3 0 1 2\n\n\n3 2 1 0\n",
         3,
         {{0, 1, 2}, {2, 1, 0}}},
        {"leading blanks and tabs", "OFF\n3 1\n  0 0 0\n\t1 0 0\n \t0 1 0\n \t3 0 1 2\n", 3, {{0, 1, 2}}},
        {"CR LF", "OFF\r\n3 1\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n3 0 1 2\r\n", 3, {{0, 1, 2}}},
        {"lone CR", "OFF\r3 1\r0 0 0\r1 0 0\r0 1 0\r3 0 1 2", 3, {{0, 1, 2}}},
        {"no final line end", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2", 3, {{0, 1, 2}}},
        {"index 3.0 reads as 3", "OFF\n4 1\n0 0 0\n1 0 0\n0 1 0\n1 1 1\n3 3.0 1 2\n", 4, {{3, 1, 2}}},
        {"vertex line of a comment", "OFF\n3 1\n# a comment\n1 0 0\n0 1 0\n3 0 1 2\n", 3, {{0, 1, 2}}},
        {"text after the data", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\nanything\n", 3, {{0, 1, 2}}},
        {"one-vertex polygon", "OFF\n1 1\n2 3 4\n1 0\n", 1, {{0}}},
    };
    for (const AcceptCase& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        ASSERT_TRUE(doc.LoadFromText(c.text, &error)) << c.name << ": " << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc));
        EXPECT_EQ(doc.m_nVertices, c.vertices) << c.name;
        EXPECT_EQ(PolygonsOf(doc), c.polygons) << c.name;
    }
}

TEST(OffReader, VerticesGetLeadingCommentTokensAsZero) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText("OFF\n2 1\n# 5 6\n1D2 -.5 2e1\n2 0 1\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_vertices[0], CVector3D(0, 5, 6));
    EXPECT_EQ(doc.m_vertices[1], CVector3D(100, -0.5, 20));
}

TEST(OffReader, SingleVertexModelHasAZeroSizeBox) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText("OFF\n1 1\n2 -3 4\n1 0\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_maxX, 2.0);
    EXPECT_EQ(doc.m_minX, 2.0);
    EXPECT_EQ(doc.m_maxY, -3.0);
    EXPECT_EQ(doc.m_minY, -3.0);
    EXPECT_EQ(doc.m_maxZ, 4.0);
    EXPECT_EQ(doc.m_minZ, 4.0);
    EXPECT_EQ(doc.m_nUniqueEdges, 1);
    EXPECT_EQ(doc.GetEdgeEndpoint(0), 0);
    EXPECT_EQ(doc.GetEdgeEndpoint(1), 0);
}

struct RefuseCase {
    const char* name;
    std::string text;
    std::size_t line;
    const char* reason;
};

TEST(OffReader, RefusalsNameTheLineAndTheReason) {
    const RefuseCase cases[] = {
        {"empty file", "", 1, "the file is empty"},
        {"lower case keyword", "off\n3 1\n", 1, "expected \"OFF\" alone on the first line, found \"off\""},
        {"trailing blank", "OFF \n3 1\n", 1, "expected \"OFF\" alone"},
        {"counts on keyword line", "OFF 3 1 0\n0 0 0\n", 1, "found \"OFF 3 1 0\""},
        {"COFF keyword", "COFF\n3 1\n", 1, "expected \"OFF\""},
        {"no counts line", "OFF\n", 2, "end of file where the counts line"},
        {"one count", "OFF\n3\n", 2, "found 1 number"},
        {"empty counts", "OFF\n\n", 2, "found 0 numbers"},
        {"zero vertices", "OFF\n0 1\n", 2, "the vertex count must be positive, found \"0\""},
        {"point set without faces", "OFF\n4 0\n0 0 0\n", 2, "the polygon count must be positive"},
        {"negative polygons", "OFF\n3 -1\n", 2, "the polygon count must be positive"},
        {"blank line in vertices", "OFF\n3 1\n\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 3,
         "blank line where vertex 1 of 3 was expected"},
        {"short vertex", "OFF\n3 1\n0 0 0\n1 0\n0 1 0\n3 0 1 2\n", 4,
         "vertex 2 needs three coordinates, found 2 values"},
        {"comment read as a vertex", "OFF\n3 1\n0 0 0\n  # a\n0 1 0\n3 0 1 2\n", 4,
         "vertex 2 needs three coordinates, found \"# a\", which looks like a comment"},
        {"comment read as the counts", "OFF\n#\n", 2, "counts, found \"#\", which looks like a comment"},
        {"vertex overflow", "OFF\n3 1\n0 0 0\n1e400 0 0\n0 1 0\n3 0 1 2\n", 4,
         "coordinate \"1e400\" of vertex 2 is too large for a double"},
        {"eof in vertices", "OFF\n3 1\n0 0 0\n1 0 0\n", 5, "end of file where vertex 3 of 3 was expected"},
        {"eof in faces", "OFF\n3 2\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n\n", 8,
         "end of file where polygon 2 of 2 was expected"},
        {"negative face count", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n-3 0 1 2\n", 6, "negative vertex count (-3)"},
        {"missing indices", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2\n", 6,
         "announces 4 vertices but lists 3"},
        {"index too large", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n", 6,
         "refers to vertex 3, but the vertices are numbered 0 to 2"},
        {"negative index", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 -1 2\n", 6, "refers to vertex -1"},
        {"huge counts", "OFF\n2000000000 2000000000\n0 0 0\n", 4, "end of file where vertex 2 of 2000000000"},
        {"huge face count", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n2000000000 0 1 2\n", 6, "but lists 3"},
        // Numbers beyond the int range are quoted as the file writes them, not as the nearest int.
        {"vertex count beyond int", "OFF\n99999999999999999999 1\n0 0 0\n", 4,
         "end of file where vertex 2 of 99999999999999999999 was expected"},
        {"polygon count beyond int", "OFF\n3 +99999999999999999999\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 7,
         "end of file where polygon 2 of +99999999999999999999 was expected"},
        {"face count beyond int", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n99999999999999999999 0 1 2\n", 6,
         "polygon 1 announces 99999999999999999999 vertices but lists 3"},
        {"negative face count beyond int", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n-99999999999999999999 0 1 2\n", 6,
         "negative vertex count (-99999999999999999999)"},
        {"index beyond int", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 99999999999999999999x\n", 6,
         "refers to vertex 99999999999999999999, but the vertices are numbered 0 to 2"},
        {"index at the end of the int range", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2147483647\n", 6,
         "refers to vertex 2147483647,"},
        {"blank vertex line of a CR", "OFF\n3 1\n0 0 0\n\r\r\n0 1 0\n3 0 1 2\n", 4,
         "blank line where vertex 2 of 3 was expected"},
    };
    for (const RefuseCase& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        EXPECT_FALSE(doc.LoadFromText(c.text, &error)) << c.name;
        EXPECT_EQ(error.line, c.line) << c.name << ": " << error.ToString();
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.name << ": " << error.reason;
    }
}

TEST(OffReader, ErrorTextStartsWithTheLine) {
    CQuorvaneDoc doc;
    OffError error;
    ASSERT_FALSE(doc.LoadFromText("off\n", &error));
    EXPECT_EQ(error.ToString(), "line 1: expected \"OFF\" alone on the first line, found \"off\"");
}

TEST(OffReader, RefusedLoadKeepsThePreviousModel) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_FALSE(doc.LoadFromText("OFF\n3 1\n0 0 0\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_nVertices, 8);
    EXPECT_EQ(doc.m_nUniqueEdges, 12);
    EXPECT_EQ(doc.m_vertices.size(), 8u);
    EXPECT_EQ(doc.m_maxX, 1.0);
}

TEST(OffReader, SecondLoadReplacesEverything) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    EXPECT_TRUE(testing::IsConsistent(doc));
    ASSERT_TRUE(doc.LoadFromText("OFF\n3 1\n5 5 5\n6 5 5\n5 7 5\n3 0 1 2\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_nVertices, 3);
    EXPECT_EQ(doc.m_nPolygons, 1);
    EXPECT_EQ(doc.m_nUniqueEdges, 3);
    EXPECT_EQ(doc.m_edges.size(), 3u);
    EXPECT_EQ(doc.m_minX, 5.0);
    EXPECT_EQ(doc.m_maxY, 7.0);
}

TEST(OffReader, FirstEdgeIsStoredSmallerIndexFirst) {
    CQuorvaneDoc doc;
    std::string text = "OFF\n10 1\n";
    for (int i = 0; i < 10; ++i) {
        text += "0 0 0\n";
    }
    text += "3 5 2 9\n";
    ASSERT_TRUE(doc.LoadFromText(text));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.GetEdgeEndpoint(0), 2);
    EXPECT_EQ(doc.GetEdgeEndpoint(1), 5);
}

TEST(OffReader, ReadsLinesLongerThanAnyBuffer) {
    std::string text = "OFF\n300 1\n";
    for (int i = 0; i < 300; ++i) {
        text += "123456789.123456 -123456789.123456 0.000001\n";
    }
    text += "300";
    for (int i = 0; i < 300; ++i) {
        text += "  " + std::to_string(i);
    }
    text += "\n";
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(text));
    EXPECT_TRUE(testing::IsConsistent(doc));
    EXPECT_EQ(doc.m_nLargestPolygon, 300);
    EXPECT_EQ(doc.m_nEdges, 300);
}

TEST(OffReader, EveryTruncatedPrefixLoadsOrIsRefused) {
    const std::string text = std::string(kCube);
    for (std::size_t n = 0; n <= text.size(); ++n) {
        CQuorvaneDoc doc;
        OffError error;
        const bool ok = doc.LoadFromText(std::string_view(text).substr(0, n), &error);
        if (ok) {
            EXPECT_TRUE(testing::IsConsistent(doc)) << n;
            for (int index : doc.m_polygons.Indices()) {
                ASSERT_GE(index, 0);
                ASSERT_LT(index, doc.m_nVertices);
            }
        } else {
            EXPECT_GE(error.line, 1u) << n;
            EXPECT_FALSE(error.reason.empty()) << n;
        }
    }
}

TEST(OffReader, MissingFileReportsTheSystemReason) {
    CQuorvaneDoc doc;
    OffError error;
    EXPECT_FALSE(doc.LoadFromFile("/nonexistent/folder/model.off", &error));
    EXPECT_EQ(error.line, 0u);
    EXPECT_EQ(error.reason, "No such file or directory");
}

// The real files: plain ones load with their known numbers; the others are refused at the line
// where they leave the strict layout.
struct RealFileCase {
    const char* file;
    int vertices, polygons, edges, uniqueEdges, largest;
};

TEST(OffReader, RealPlainFilesGiveTheirKnownNumbers) {
    const RealFileCase cases[] = {
        {"teapot.off", 792, 992, 2976, 1752, 3},
        {"wuson.off", 3205, 3732, 11196, 6767, 3},
        {"mannequin_devil.off", 12977, 25888, 77664, 38864, 3},
        {"cube.off", 8, 6, 24, 12, 4},
        {"torus_quads.off", 25, 25, 100, 50, 4},
        {"double_torus.off", 231, 220, 906, 453, 7},
    };
    for (const RealFileCase& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        ASSERT_TRUE(doc.LoadFromFile(testing::TestModel(c.file), &error))
            << c.file << ": " << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc));
        EXPECT_EQ(doc.m_nVertices, c.vertices) << c.file;
        EXPECT_EQ(doc.m_nPolygons, c.polygons) << c.file;
        EXPECT_EQ(doc.m_nEdges, c.edges) << c.file;
        EXPECT_EQ(doc.m_nUniqueEdges, c.uniqueEdges) << c.file;
        EXPECT_EQ(doc.m_nLargestPolygon, c.largest) << c.file;
    }
}

TEST(OffReader, RealQuirkyFilesAreRefusedAtTheirQuirk) {
    const struct {
        const char* file;
        std::size_t line;
        const char* reason;
    } cases[] = {
        {"elephant.off", 3, "blank line where vertex 1 of 2775 was expected"},
        {"mpi_polygons.off", 3, "blank line where vertex 1 of 90 was expected"},
        {"colored_patch_coff.off", 1, "expected \"OFF\" alone"},
        {"openscad_example002.off", 1, "found \"OFF 180 376 0\""},
    };
    for (const auto& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        EXPECT_FALSE(doc.LoadFromFile(testing::TestModel(c.file), &error)) << c.file;
        EXPECT_EQ(error.line, c.line) << c.file;
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.file << ": " << error.reason;
    }
}

TEST(OffWriter, EmptyDocumentBytes) {
    CQuorvaneDoc doc;
    std::string text;
    ASSERT_TRUE(doc.SaveToText(text));
    EXPECT_EQ(text, "OFF\r\n0 0 0\r\n");
    EXPECT_FALSE(CQuorvaneDoc().LoadFromText(text));
}

TEST(OffWriter, TriangleBytesAreExact) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText("OFF\n3 1\n0 0 0\n1 0 0\n0 1 0.5\n3 0 1 2\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    std::string text;
    ASSERT_TRUE(doc.SaveToText(text));
    EXPECT_EQ(text,
              "OFF\r\n3 1 3\r\n0.000000 0.000000 0.000000\r\n1.000000 0.000000 0.000000\r\n"
              "0.000000 1.000000 0.500000\r\n3 0  1  2 \r\n");
}

TEST(OffWriter, FaceTextHasDoubleBlanksAndATrailingBlank) {
    const int quad[] = {4, 5, 6, 7};
    std::string text = "x";
    CPolygon(quad, 4).FormatFaceLine(text);
    EXPECT_EQ(text, "x4 4  5  6  7 ") << "appends to what is there";
    text.clear();
    CPolygon().FormatFaceLine(text);
    EXPECT_EQ(text, "0 ");
}

TEST(OffWriter, CountsLineCarriesTheSumOfSidesAndTinyValuesRoundToZero) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(
        doc.LoadFromText("OFF\n8 6 12\n"
                         "0.0000004 -0.0000004 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
                         "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n"));
    std::string text;
    ASSERT_TRUE(doc.SaveToText(text));
    const std::string head = "OFF\r\n8 6 24\r\n0.000000 -0.000000 0.000000\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    CQuorvaneDoc back;
    ASSERT_TRUE(back.LoadFromText(text));
    EXPECT_TRUE(testing::IsConsistent(back));
    EXPECT_EQ(back.m_vertices[0].x, 0.0);
}

TEST(OffWriter, RoundTripKeepsTheModel) {
    for (const char* file : {"double_torus.off", "torus_quads.off", "teapot.off"}) {
        CQuorvaneDoc doc;
        ASSERT_TRUE(doc.LoadFromFile(testing::TestModel(file))) << file;
        EXPECT_TRUE(testing::IsConsistent(doc));
        std::string text;
        ASSERT_TRUE(doc.SaveToText(text));
        CQuorvaneDoc back;
        ASSERT_TRUE(back.LoadFromText(text)) << file;
        EXPECT_TRUE(testing::IsConsistent(back));
        EXPECT_EQ(back.m_nVertices, doc.m_nVertices);
        EXPECT_EQ(back.m_nEdges, doc.m_nEdges);
        EXPECT_EQ(back.m_nLargestPolygon, doc.m_nLargestPolygon);
        EXPECT_EQ(PolygonsOf(back), PolygonsOf(doc));
        std::string again;
        ASSERT_TRUE(back.SaveToText(again));
        EXPECT_EQ(again, text) << file;  // six-decimal values survive a second round exactly
    }
}

TEST(OffWriter, RefusesNonFiniteCoordinates) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText("OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"));
    EXPECT_TRUE(testing::IsConsistent(doc));
    doc.m_vertices[1].y = std::numeric_limits<double>::infinity();
    std::string text, error;
    EXPECT_FALSE(doc.SaveToText(text, &error));
    EXPECT_NE(error.find("vertex 1"), std::string::npos) << error;
}

class OffFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("quorvane-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(folder_);
    }
    std::filesystem::path folder_;
};

TEST_F(OffFileTest, SaveReplacesTheFileAndClearsTheModifiedFlag) {
    const std::string path = (folder_ / "model.off").string();
    { std::ofstream(path) << "old contents"; }
    ::chmod(path.c_str(), 0640);
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    EXPECT_TRUE(testing::IsConsistent(doc));
    doc.SetModifiedFlag();
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(path, &error)) << error;
    EXPECT_FALSE(doc.IsModified());
    std::string expected;
    ASSERT_TRUE(doc.SaveToText(expected));
    EXPECT_EQ(ReadBytes(path), expected);
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // Only the saved file is left in the folder: no temporary behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(OffFileTest, FailedSaveKeepsTheOldFileAndReportsTheReason) {
    const std::string path = (folder_ / "model.off").string();
    { std::ofstream(path) << "old contents"; }
    // A folder that the saver may read but not write; root saves as nobody in a folder of root's.
    ::chmod(folder_.c_str(), ::geteuid() == 0 ? 0755 : 0555);
    const testing::ChildResult child = testing::Unprivileged([&] {
        CQuorvaneDoc doc;
        if (!doc.LoadFromText(kCube) || !testing::IsConsistent(doc)) {
            return std::string("not loaded");
        }
        doc.SetModifiedFlag();
        std::string error;
        if (doc.SaveToFile(path, &error)) {
            return std::string("saved");
        }
        return error + (doc.IsModified() ? "" : " (no longer marked modified)");
    });
    ASSERT_TRUE(child.Exited());
    EXPECT_NE(child.text.find("Permission denied"), std::string::npos) << child.text;
    EXPECT_EQ(child.text.find("modified"), std::string::npos) << child.text;
    EXPECT_EQ(ReadBytes(path), "old contents");
}

TEST_F(OffFileTest, SaveIntoAMissingFolderFails) {
    CQuorvaneDoc doc;
    std::string error;
    EXPECT_FALSE(doc.SaveToFile((folder_ / "missing" / "model.off").string(), &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(OffFileTest, LoadFromFileMatchesLoadFromText) {
    const std::string path = (folder_ / "cube.off").string();
    { std::ofstream(path, std::ios::binary) << kCube; }
    CQuorvaneDoc fromFile, fromText;
    ASSERT_TRUE(fromFile.LoadFromFile(path));
    EXPECT_TRUE(testing::IsConsistent(fromFile));
    ASSERT_TRUE(fromText.LoadFromText(kCube));
    EXPECT_TRUE(testing::IsConsistent(fromText));
    EXPECT_EQ(PolygonsOf(fromFile), PolygonsOf(fromText));
    EXPECT_EQ(fromFile.m_vertices, fromText.m_vertices);
    OffError error;
    EXPECT_FALSE(fromFile.LoadFromFile(folder_.string(), &error));
    EXPECT_EQ(error.reason, "Is a directory");
}

}  // namespace
}  // namespace quorvane

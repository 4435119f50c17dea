// The document's consistency check: a loaded or empty model passes; each kind of disagreement
// between arrays, counts, indices and box is caught with its reason.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/document.h"

namespace quorvane {
namespace {

const char* kCube =
    "OFF\n8 6 12\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
    "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n";

// Replaces the polygons' index lists, keeping the counts as they were.
void SetPolygons(CQuorvaneDoc& doc, const std::vector<std::vector<int>>& polygons) {
    doc.m_polygons.Clear();
    for (const std::vector<int>& p : polygons) {
        doc.m_polygons.Append(p.data(), static_cast<int>(p.size()));
    }
}

struct BrokenCase {
    const char* name;
    std::function<void(CQuorvaneDoc&)> breakIt;
    const char* reason;  // part of the reason given
};

TEST(DocumentConsistency, CatchesEachDisagreementWithItsReason) {
    const std::vector<BrokenCase> cases = {
        {"vertex array shorter than its count", [](CQuorvaneDoc& d) { d.m_vertices.pop_back(); },
         "m_vertices holds 7 vertices but m_nVertices is 8"},
        {"negative vertex count", [](CQuorvaneDoc& d) { d.m_nVertices = -1; },
         "m_vertices holds 8 vertices but m_nVertices is -1"},
        {"polygon count too high", [](CQuorvaneDoc& d) { ++d.m_nPolygons; },
         "m_polygons holds 6 polygons but m_nPolygons is 7"},
        {"side count off", [](CQuorvaneDoc& d) { d.m_nEdges = 12; },
         "the polygons have 24 sides but m_nEdges is 12"},
        {"stale edge behind the count", [](CQuorvaneDoc& d) { d.m_edges.push_back(CEdge(0, 6)); },
         "m_edges holds 13 edges but m_nUniqueEdges is 12"},
        {"edge count too low", [](CQuorvaneDoc& d) { d.m_nUniqueEdges = 11; },
         "m_edges holds 12 edges but m_nUniqueEdges is 11"},
        {"polygon index past the last vertex",
         [](CQuorvaneDoc& d) {
             SetPolygons(
                 d, {{0, 3, 2, 1}, {4, 5, 8, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}});
         },
         "polygon 1 has index 8 at position 2, outside 0 .. 7"},
        {"negative polygon index",
         [](CQuorvaneDoc& d) {
             SetPolygons(
                 d, {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {-1, 0, 4, 7}});
         },
         "polygon 5 has index -1 at position 0, outside 0 .. 7"},
        {"largest polygon wrong", [](CQuorvaneDoc& d) { d.m_nLargestPolygon = 3; },
         "the largest polygon has 4 vertices but m_nLargestPolygon is 3"},
        {"edge end past the last vertex", [](CQuorvaneDoc& d) { d.m_edges[2].m_nV2 = 9; },
         "has an end outside 0 .. 7"},
        {"edge stored larger end first",
         [](CQuorvaneDoc& d) {
             d.m_edges[0].m_nV1 = 3;
             d.m_edges[0].m_nV2 = 0;
         },
         "edge 0 is stored larger end first"},
        {"box misses a vertex", [](CQuorvaneDoc& d) { d.m_maxY = 0.5; },
         "vertex 2 lies outside the box in y (1.000000)"},
        {"box larger than the vertices", [](CQuorvaneDoc& d) { d.m_minZ = -1; },
         "no vertex reaches the box's minimum z (-1.000000)"},
        {"vertex that is not a number", [](CQuorvaneDoc& d) { d.m_vertices[5].x = std::nan(""); },
         "vertex 5 lies outside the box in x"},
        {"empty model with a moved box",
         [](CQuorvaneDoc& d) {
             d.OnNewDocument();
             d.m_maxX = 1;
         },
         "the empty model's maximum x is 1.000000, not 0.5"},
    };
    for (const BrokenCase& c : cases) {
        CQuorvaneDoc doc;
        ASSERT_TRUE(doc.LoadFromText(kCube));
        std::string why;
        ASSERT_TRUE(doc.CheckConsistency(&why)) << why;
        c.breakIt(doc);
        EXPECT_FALSE(doc.CheckConsistency()) << c.name;
        ASSERT_FALSE(doc.CheckConsistency(&why)) << c.name;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
    }
}

TEST(DocumentConsistency, EmptyAndReplacedModelsPass) {
    CQuorvaneDoc doc;
    std::string why;
    EXPECT_TRUE(doc.CheckConsistency(&why)) << why;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    doc.OnNewDocument();
    EXPECT_TRUE(doc.CheckConsistency(&why)) << "New after a load: " << why;
    ASSERT_TRUE(doc.LoadFromText("OFF\n1 1\n2 -3 4\n1 0\n"));
    EXPECT_TRUE(doc.CheckConsistency(&why)) << "one vertex, a box of zero size: " << why;
}

TEST(DocumentConsistency, MovedVerticesMayLeaveTheBoxOfTheLoadedModel) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(kCube));
    doc.m_vertices[6].x = 5;  // a vertex drag: the box keeps describing the model as loaded
    doc.SetModifiedFlag();
    std::string why;
    EXPECT_TRUE(doc.CheckConsistency(&why)) << why;
    doc.m_vertices.pop_back();
    EXPECT_FALSE(doc.CheckConsistency()) << "the counts are still checked";
}

}  // namespace
}  // namespace quorvane

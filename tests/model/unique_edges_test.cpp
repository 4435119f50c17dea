#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/document.h"
#include "model/file_io.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/hostile_meshes.h"
#include "support/test_files.h"
#include "support/unique_edges_reference.h"

namespace quorvane {
namespace {

using testing::BuildUniqueEdgesByScan;
using testing::IsConsistent;
using testing::PolygonsOf;

// A buffer holding `text`, as a file's reading leaves it.
FileBytes BytesOf(const std::string& text) {
    FileBytes bytes;
    bytes.Reserve(text.size());
    std::copy(text.begin(), text.end(), bytes.End());
    bytes.Commit(text.size());
    return bytes;
}

// A document of the polygons over `vertexCount` vertices (at least one more than the largest index).
CQuorvaneDoc DocWithPolygons(const std::vector<std::vector<int>>& polygons, int vertexCount = 0) {
    CQuorvaneDoc doc;
    for (const auto& p : polygons) {
        doc.m_polygons.Append(p.data(), static_cast<int>(p.size()));
        doc.m_nEdges += static_cast<int>(p.size());
        for (const int index : p) {
            vertexCount = std::max(vertexCount, index + 1);
        }
    }
    doc.m_nPolygons = static_cast<int>(polygons.size());
    doc.m_nVertices = vertexCount;
    return doc;
}

TEST(UniqueEdges, SharedSideCountsOnceInOrderOfFirstAppearance) {
    CQuorvaneDoc doc = DocWithPolygons({{0, 1, 2}, {2, 1, 3}});
    doc.BuildUniqueEdges();
    ASSERT_EQ(doc.m_nUniqueEdges, 5);
    const std::vector<CEdge> expected = {{0, 1}, {1, 2}, {0, 2}, {1, 3}, {2, 3}};
    EXPECT_EQ(std::vector<CEdge>(doc.m_edges.begin(), doc.m_edges.begin() + 5), expected);
}

TEST(UniqueEdges, TwoVertexPolygonAndRepeatedVertexGiveTheirEdges) {
    CQuorvaneDoc doc = DocWithPolygons({{5, 7}, {0, 1, 1, 2}});
    doc.BuildUniqueEdges();
    const std::vector<CEdge> expected = {{5, 7}, {0, 1}, {1, 1}, {1, 2}, {0, 2}};
    EXPECT_EQ(doc.m_edges, expected);
    EXPECT_EQ(doc.m_nUniqueEdges, 5);
}

TEST(UniqueEdges, EmptyingLeavesNoEdgeBehindTheCount) {
    CQuorvaneDoc doc = DocWithPolygons({{0, 1, 2}});
    doc.BuildUniqueEdges();
    doc.DeleteContents();
    EXPECT_EQ(doc.m_nUniqueEdges, 0);
    EXPECT_TRUE(doc.m_edges.empty());
    // The next model's list is built afresh.
    doc.m_polygons.Append(std::vector<int>{0, 1}.data(), 2);
    doc.m_nVertices = 2;
    doc.BuildUniqueEdges();
    EXPECT_EQ(doc.m_edges, (std::vector<CEdge>{{0, 1}}));
}

TEST(UniqueEdges, BucketedBuildMatchesTheLiteralScan) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        const int vertexCount = 1 + static_cast<int>(rng() % 12);
        const int polygonCount = static_cast<int>(rng() % 10);
        std::vector<std::vector<int>> polygons;
        for (int p = 0; p < polygonCount; ++p) {
            std::vector<int> polygon;
            const int kind = static_cast<int>(rng() % 6);
            if (kind == 0 && !polygons.empty()) {
                // A repeated polygon, or the same one reversed.
                polygon = polygons[rng() % polygons.size()];
                if (rng() % 2) {
                    std::reverse(polygon.begin(), polygon.end());
                }
            } else {
                const int n = static_cast<int>(rng() % 7);  // 0, 1 and 2 included
                for (int i = 0; i < n; ++i) {
                    polygon.push_back(static_cast<int>(rng() % vertexCount));
                }
            }
            polygons.push_back(polygon);
        }
        CQuorvaneDoc doc = DocWithPolygons(polygons, vertexCount);
        doc.BuildUniqueEdges();
        const std::vector<CEdge> expected = BuildUniqueEdgesByScan(doc.m_polygons);
        ASSERT_EQ(BuildUniqueEdgesByVertex(doc.m_polygons, vertexCount), expected) << round;
        ASSERT_EQ(doc.m_nUniqueEdges, static_cast<int>(expected.size())) << round;
        ASSERT_EQ(std::vector<CEdge>(doc.m_edges.begin(), doc.m_edges.begin() + doc.m_nUniqueEdges), expected)
            << round;
    }
}

TEST(UniqueEdges, IndicesAtTheEndOfALargeVertexRangeDoNotCollide) {
    // Few sides over many vertices, the highest index the last vertex.
    constexpr int kLast = (1 << 22) - 1;
    CQuorvaneDoc doc =
        DocWithPolygons({{kLast - 1, 0, 1}, {1, 0, kLast - 1}, {kLast - 2, kLast - 1, 7}, {kLast, 0}});
    doc.BuildUniqueEdges();
    EXPECT_EQ(doc.m_edges, BuildUniqueEdgesByScan(doc.m_polygons));
    EXPECT_EQ(doc.m_nUniqueEdges, 7);
}

// The distinct edges in order of first appearance by an ordered map: an independent reference for
// inputs too large for the literal quadratic scan.
std::vector<CEdge> UniqueEdgesByMap(const CPolygonArray& polygons) {
    std::map<std::pair<int, int>, bool> seen;
    std::vector<CEdge> edges;
    for (int p = 0; p < polygons.GetSize(); ++p) {
        const CPolygon polygon = polygons[p];
        for (int j = 0; j < polygon.GetSize(); ++j) {
            const CEdge e = polygon.GetEdge(j);
            if (seen.emplace(std::make_pair(e.m_nV1, e.m_nV2), true).second) {
                edges.push_back(e);
            }
        }
    }
    return edges;
}

TEST(UniqueEdges, HostileShapesGiveTheReferenceList) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"edges that collided in the former table", testing::CollidingEdgesText(400000)},
        {"a vertex in every triangle", testing::StarText(400000)},
        {"one polygon over every vertex", testing::GiantPolygonText(400000)},
        {"random triangles", testing::RandomTrianglesText(400000)},
    };
    for (const auto& c : cases) {
        CQuorvaneDoc doc;
        OffError error;
        ASSERT_TRUE(doc.LoadFromText(c.text, &error)) << c.name << ": " << error.ToString();
        EXPECT_TRUE(testing::IsConsistent(doc)) << c.name;
        EXPECT_GT(doc.m_nEdges, 10000) << c.name;
        EXPECT_EQ(doc.m_edges, UniqueEdgesByMap(doc.m_polygons)) << c.name;
    }
    // The map reference itself agrees with the literal scan.
    CQuorvaneDoc small;
    ASSERT_TRUE(small.LoadFromText(testing::RandomTrianglesText(3000)));
    EXPECT_EQ(UniqueEdgesByMap(small.m_polygons), BuildUniqueEdgesByScan(small.m_polygons));
}

}  // namespace
// Loads without the edge list, and loads of a text given up once read, keep everything else as
// the plain load gives it.
TEST(UniqueEdges, LoadsWithoutTheListOrTheTextKeepTheModel) {
    const std::string text = "OFF\n5 3 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n4 0 1 2 3\n3 0 1 4\n3 4 3 2\n";
    CQuorvaneDoc plain;
    ASSERT_TRUE(plain.LoadFromText(text));
    ASSERT_EQ(plain.m_nUniqueEdges, 8);

    OffReadOptions noEdges;
    noEdges.buildEdges = false;
    CQuorvaneDoc bare;
    ASSERT_TRUE(bare.LoadFromText(text, nullptr, noEdges));
    EXPECT_EQ(bare.m_nUniqueEdges, 0);
    EXPECT_TRUE(bare.m_edges.empty());
    EXPECT_EQ(PolygonsOf(bare), PolygonsOf(plain));
    EXPECT_EQ(bare.m_vertices, plain.m_vertices);
    EXPECT_EQ(bare.m_nEdges, plain.m_nEdges);
    EXPECT_TRUE(IsConsistent(bare));

    FileBytes owned = BytesOf(text);
    CQuorvaneDoc taken;
    ASSERT_TRUE(taken.LoadFromOwnedText(owned));
    EXPECT_TRUE(owned.Empty());
    EXPECT_EQ(owned.Capacity(), 0u);  // the storage is freed too
    EXPECT_EQ(taken.m_edges, plain.m_edges);
    EXPECT_EQ(PolygonsOf(taken), PolygonsOf(plain));
    EXPECT_TRUE(IsConsistent(taken));

    // A refused text stays for a second reading with repairs, and the model is kept.
    const std::string copy = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
    FileBytes refused = BytesOf(copy);
    OffError error;
    EXPECT_FALSE(taken.LoadFromOwnedText(refused, &error));
    EXPECT_EQ(refused.View(), copy);
    EXPECT_EQ(error.line, 6u);
    EXPECT_EQ(taken.m_edges, plain.m_edges);
}

}  // namespace quorvane

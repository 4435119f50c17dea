#include "model/tessellation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "model/statistics.h"

namespace quorvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Indices {
    int a, b, c;
    bool operator==(const Indices&) const = default;
};

CPolygonArray MakePolygons(const std::vector<std::vector<int>>& faces) {
    CPolygonArray polygons;
    for (const std::vector<int>& face : faces) {
        for (int index : face) {
            polygons.PushIndex(index);
        }
        polygons.EndPolygon();
    }
    return polygons;
}

std::vector<Indices> TriangleIndices(const CTessellatedMesh& mesh) {
    std::vector<Indices> result;
    for (int k = 0; k < mesh.m_nTriangles; ++k) {
        const CTriangle& t = mesh.GetTriangle(k);
        result.push_back({t.m_nV1, t.m_nV2, t.m_nV3});
    }
    return result;
}

// A mesh tessellated from `faces` over `vertices` (both kept alive by the caller).
void Tessellate(CTessellatedMesh& mesh, const std::vector<CVector3D>& vertices,
                const CPolygonArray& polygons) {
    mesh.SetVertexArray(&vertices);
    mesh.Tessellate(polygons);
}

std::vector<double> DistancesByTriangle(const CTessellatedMesh& mesh) {
    std::vector<double> keys;
    for (int k = 0; k < mesh.m_nTriangles; ++k) {
        keys.push_back(mesh.GetDistance(k));
    }
    return keys;
}

// ---------------------------------------------------------------------------------------------
// Tessellation

TEST(Tessellation, FanAnchorIsNearestVertexEarliestOnTie) {
    // Centroid (-0.25, 0, 0); squared distances 3.0625, 1.0625, 1.5625, 1.0625.
    const std::vector<CVector3D> vertices = {{-2, 0, 0}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}};
    const CPolygonArray polygons = MakePolygons({{0, 1, 2, 3}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    EXPECT_EQ(TriangleIndices(mesh), (std::vector<Indices>{{1, 2, 3}, {1, 3, 0}}));
}

TEST(Tessellation, EquidistantSquareIsAnchoredAtFirstVertex) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const CPolygonArray polygons = MakePolygons({{0, 1, 2, 3}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    EXPECT_EQ(TriangleIndices(mesh), (std::vector<Indices>{{0, 1, 2}, {0, 2, 3}}));
}

TEST(Tessellation, FanFromMiddleAnchorWrapsAroundInPolygonOrder) {
    // Positions 0 .. 4 of the face use vertices 14, 13, 12, 11, 10; position 2 lies nearest to
    // the centroid (2, 1.8), so the fan runs 2-3-4, 2-4-0, 2-0-1.
    std::vector<CVector3D> vertices(15);
    vertices[14] = {0, 0, 0};
    vertices[13] = {4, 0, 0};
    vertices[12] = {2, 1, 0};
    vertices[11] = {4, 4, 0};
    vertices[10] = {0, 4, 0};
    const CPolygonArray polygons = MakePolygons({{14, 13, 12, 11, 10}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    EXPECT_EQ(TriangleIndices(mesh), (std::vector<Indices>{{12, 11, 10}, {12, 10, 14}, {12, 14, 13}}));
}

TEST(Tessellation, TrianglesKeepFileOrderAndDegenerateFacesYieldNothing) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
    const CPolygonArray polygons = MakePolygons({{2, 0, 4}, {}, {3}, {1, 3}, {4, 3, 1}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    EXPECT_EQ(TriangleIndices(mesh), (std::vector<Indices>{{2, 0, 4}, {4, 3, 1}}));
    EXPECT_EQ(mesh.GetOrder(), (std::vector<int>{0, 1}));
}

TEST(Tessellation, PolygonOfNVerticesYieldsNMinusTwoTriangles) {
    for (int n = 0; n <= 12; ++n) {
        std::vector<CVector3D> vertices;
        std::vector<int> face;
        for (int k = 0; k < n; ++k) {
            const double angle = 2.0 * 3.14159265358979 * k / n;
            vertices.push_back({std::cos(angle), std::sin(angle), 0.0});
            face.push_back(k);
        }
        const CPolygonArray polygons = MakePolygons({face});
        CTessellatedMesh mesh;
        Tessellate(mesh, vertices, polygons);
        const int expected = n >= 3 ? n - 2 : 0;
        EXPECT_EQ(mesh.m_nTriangles, expected) << "n = " << n;
        EXPECT_EQ(CountTriangles(polygons), expected) << "n = " << n;
        ASSERT_EQ(mesh.GetOrder().size(), static_cast<std::size_t>(expected));
    }
}

TEST(Tessellation, OctagonAndTriangleGiveSevenTriangles) {
    std::vector<CVector3D> vertices;
    for (int k = 0; k < 8; ++k) {
        const double angle = 2.0 * 3.14159265358979 * k / 8;
        vertices.push_back({std::cos(angle), std::sin(angle), 0.0});
    }
    vertices.push_back({0, 0, 1});
    const CPolygonArray polygons = MakePolygons({{0, 1, 8}, {0, 1, 2, 3, 4, 5, 6, 7}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    EXPECT_EQ(mesh.m_nTriangles, 7);
    // Every fan triangle shares the anchor and keeps the octagon's winding (+z).
    for (int k = 1; k < 7; ++k) {
        EXPECT_EQ(mesh.GetTriangle(k).m_nV1, mesh.GetTriangle(1).m_nV1);
        EXPECT_GT(mesh.GetNormal(k).z, 0.99);
    }
}

TEST(Tessellation, SecondTessellateGivesSameTrianglesAndIdentityOrder) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0},
                                             {0, 1, 0}, {0, 0, 5}, {3, 3, 3}};
    const CPolygonArray polygons = MakePolygons({{0, 1, 2, 3}, {0, 4, 5}, {5, 4, 2, 1}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    const std::vector<Indices> first = TriangleIndices(mesh);
    mesh.SortByDepth({10, -3, 1});
    ASSERT_NE(mesh.GetOrder(), (std::vector<int>{0, 1, 2, 3, 4}));
    mesh.Tessellate(polygons);
    EXPECT_EQ(TriangleIndices(mesh), first);
    EXPECT_EQ(mesh.GetOrder(), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(Tessellation, ResetOrderMakesTheNextSortBreakTiesAsAfterTessellating) {
    // A flat grid seen head on: many triangles at equal distance, whose final arrangement depends
    // on the order the sort starts from.
    std::vector<CVector3D> vertices;
    std::vector<std::vector<int>> faces;
    for (int y = 0; y <= 6; ++y) {
        for (int x = 0; x <= 6; ++x) {
            vertices.push_back({x - 3.0, y - 3.0, 0.0});
            if (x < 6 && y < 6) {
                const int a = y * 7 + x;
                faces.push_back({a, a + 1, a + 8});
                faces.push_back({a, a + 8, a + 7});
            }
        }
    }
    const CPolygonArray polygons = MakePolygons(faces);
    CTessellatedMesh fresh;
    Tessellate(fresh, vertices, polygons);
    fresh.SortByDepth({0, 0, 9});
    CTessellatedMesh used;
    Tessellate(used, vertices, polygons);
    used.SortByDepth({2, -1, 7});
    used.SortByDepth({0, 0, 9});
    ASSERT_NE(used.GetOrder(), fresh.GetOrder());  // the tie-break depends on the start
    used.ResetOrder();
    std::vector<int> identity(used.GetOrder().size());
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(used.GetOrder(), identity);
    used.SortByDepth({0, 0, 9});
    EXPECT_EQ(used.GetOrder(), fresh.GetOrder());
}

TEST(Tessellation, RetessellatingAnEmptyModelLeavesNoTriangles) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, MakePolygons({{0, 1, 2}}));
    ASSERT_EQ(mesh.m_nTriangles, 1);
    mesh.Tessellate(CPolygonArray());
    EXPECT_EQ(mesh.m_nTriangles, 0);
    EXPECT_TRUE(mesh.GetOrder().empty());
    mesh.SortByDepth({0, 0, 1});
}

// ---------------------------------------------------------------------------------------------
// Triangle geometry

TEST(TriangleGeometry, CentroidAndUnitNormalFollowWinding) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0.1, 0.2, 0.7}};
    const CTriangle ccw(0, 1, 2);
    EXPECT_EQ(ccw.Centroid(vertices.data()), (CVector3D{2.0 / 3.0, 2.0 / 3.0, 0.0}));
    EXPECT_EQ(ccw.Normal(vertices.data()), (CVector3D{0, 0, 1}));
    const CTriangle cw(0, 2, 1);
    EXPECT_EQ(cw.Normal(vertices.data()), (CVector3D{0, 0, -1}));
    // The centroid is summed left to right before dividing by three.
    const CTriangle skew(3, 1, 2);
    const CVector3D sum = (vertices[3] + vertices[1]) + vertices[2];
    EXPECT_EQ(skew.Centroid(vertices.data()), sum / 3.0);
}

TEST(TriangleGeometry, ViewFromGivesDistanceAndUnitDirection) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}};
    const CTriangle t(0, 1, 2);  // centroid (1, 1, 0)
    const CTriangleView view = ViewFrom(t.Centroid(vertices.data()), {4, 5, 0});
    EXPECT_DOUBLE_EQ(view.m_dDistance, 5.0);
    EXPECT_EQ(view.m_toEye, (CVector3D{0.6, 0.8, 0.0}));
    // The mesh keeps the distance of its last sort and gives the same direction.
    CTessellatedMesh mesh;
    const CPolygonArray polygons = MakePolygons({{0, 1, 2}});
    Tessellate(mesh, vertices, polygons);
    mesh.SortByDepth({4, 5, 0});
    EXPECT_EQ(mesh.GetDistance(0), view.m_dDistance);
    EXPECT_EQ(mesh.GetToEye(0), view.m_toEye);
}

TEST(TriangleGeometry, ZeroAreaTriangleAndEyeAtCentroidGiveNaNWithoutFailing) {
    const std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2},
                                             {5, 0, 0}, {6, 0, 0}, {5, 1, 0}};
    const CPolygonArray polygons = MakePolygons({{0, 1, 2}, {0, 0, 1}, {3, 4, 5}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    ASSERT_EQ(mesh.m_nTriangles, 3);
    EXPECT_TRUE(std::isnan(mesh.GetNormal(0).x));
    EXPECT_TRUE(std::isnan(mesh.GetNormal(1).z));
    // The eye on the first triangle's centroid: distance 0, direction NaN; it is still sorted.
    mesh.SortByDepth({1, 1, 1});
    EXPECT_EQ(mesh.GetDistance(0), 0.0);
    EXPECT_TRUE(std::isnan(mesh.GetToEye(0).y));
    EXPECT_EQ(mesh.GetOrder(), (std::vector<int>{2, 1, 0}));
}

TEST(TriangleGeometry, RefreshGeometryFollowsMovedVertex) {
    std::vector<CVector3D> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {9, 9, 9}};
    const CPolygonArray polygons = MakePolygons({{0, 1, 2, 3}, {4, 0, 3}});
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);  // (0, 1, 2), (0, 2, 3), (4, 0, 3)
    mesh.SortByDepth({0, 0, 10});
    const std::vector<int> order = mesh.GetOrder();
    vertices[2] = {1, 1, 3};
    mesh.RefreshGeometry();
    EXPECT_EQ(mesh.GetCentroid(0), (CVector3D{2.0 / 3.0, 1.0 / 3.0, 1.0}));
    EXPECT_EQ(mesh.GetCentroid(1), (CVector3D{1.0 / 3.0, 2.0 / 3.0, 1.0}));
    const CVector3D w = (vertices[1] - vertices[0]).Cross(vertices[2] - vertices[0]);
    EXPECT_EQ(mesh.GetNormal(0), w / w.Length());
    EXPECT_EQ(mesh.GetCentroid(2), ((vertices[4] + vertices[0]) + vertices[3]) / 3.0);
    EXPECT_EQ(mesh.GetOrder(), order);
    EXPECT_EQ(TriangleIndices(mesh), (std::vector<Indices>{{0, 1, 2}, {0, 2, 3}, {4, 0, 3}}));
}

// ---------------------------------------------------------------------------------------------
// Depth order of a mesh

// A random mesh with faces of 1 to 6 vertices. On the integer grid (few vertices, many exactly
// equal distances) or with real coordinates (distinct distances); optionally one vertex at NaN.
struct RandomMesh {
    std::vector<CVector3D> vertices;
    CPolygonArray polygons;
};

RandomMesh MakeRandomMesh(std::mt19937_64& random, int vertexCount, int faceCount, bool onGrid,
                          bool withNaN) {
    RandomMesh mesh;
    std::uniform_int_distribution<int> gridCoordinate(-3, 3);
    std::uniform_real_distribution<double> realCoordinate(-3.0, 3.0);
    auto coordinate = [&] { return onGrid ? gridCoordinate(random) : realCoordinate(random); };
    for (int i = 0; i < vertexCount; ++i) {
        const double x = coordinate();
        const double y = coordinate();
        mesh.vertices.push_back({x, y, coordinate()});
    }
    if (withNaN) {
        mesh.vertices[0].y = kNaN;
    }
    std::uniform_int_distribution<int> index(0, vertexCount - 1);
    std::uniform_int_distribution<int> size(1, 6);
    for (int f = 0; f < faceCount; ++f) {
        const int n = size(random);
        for (int k = 0; k < n; ++k) {
            mesh.polygons.PushIndex(index(random));
        }
        mesh.polygons.EndPolygon();
    }
    return mesh;
}

TEST(DepthOrder, RepeatedSortByDepthMatchesLiteralHeapSortFromPreviousOrder) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> offset(-0.5, 0.5);
    std::uniform_int_distribution<int> coordinate(-6, 6);
    int pathCount[4] = {};
    for (int model = 0; model < 12; ++model) {
        const bool onGrid = model % 2 == 0;
        const int faceCount = 100 + model * 200;
        const RandomMesh source = MakeRandomMesh(random, onGrid ? 40 + model * 50 : 6 * faceCount, faceCount,
                                                 onGrid, model % 4 == 1);
        CTessellatedMesh mesh;
        Tessellate(mesh, source.vertices, source.polygons);
        ASSERT_EQ(mesh.m_nTriangles, CountTriangles(source.polygons));
        for (int step = 0; step < 10; ++step) {
            // Grid eyes give ties on grid models, eyes off the grid give distinct distances.
            CVector3D eye{static_cast<double>(coordinate(random)), static_cast<double>(coordinate(random)),
                          static_cast<double>(coordinate(random)) + 10.0};
            if (step % 2 == 1) {
                eye = eye + CVector3D{offset(random), offset(random), offset(random)};
            }
            std::vector<int> expected = mesh.GetOrder();
            mesh.SortByDepth(eye);
            const std::vector<double> keys = DistancesByTriangle(mesh);
            HeapSortByDepthLiteral(expected, keys.data());
            ASSERT_EQ(mesh.GetOrder(), expected) << "model " << model << ", step " << step;
            pathCount[static_cast<int>(mesh.LastSortPath())] += 1;
        }
    }
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kDistinctKeys)], 10);
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kRankedHeap)], 10);
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kKeyedHeap)], 5);
}

// A flat square grid, split along one diagonal in every cell, is symmetric under a half turn and
// under the swap of x and y: seen from an eye on its axis or in its diagonal plane, symmetric
// triangles are exactly as far from the eye. So every frame has many ties, and each sort starts
// from the previous frame's order as the view does.
TEST(DepthOrder, SymmetricGridSeenHeadOnMatchesLiteralFrameAfterFrame) {
    constexpr int kSide = 24;
    std::vector<CVector3D> vertices;
    for (int j = 0; j <= kSide; ++j) {
        for (int i = 0; i <= kSide; ++i) {
            vertices.push_back({static_cast<double>(i - kSide / 2), static_cast<double>(j - kSide / 2), 0.0});
        }
    }
    CPolygonArray polygons;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            const int corner = j * (kSide + 1) + i;
            for (int index : {corner, corner + 1, corner + kSide + 2, corner + kSide + 1}) {
                polygons.PushIndex(index);
            }
            polygons.EndPolygon();
        }
    }
    CTessellatedMesh mesh;
    Tessellate(mesh, vertices, polygons);
    ASSERT_EQ(mesh.m_nTriangles, 2 * kSide * kSide);
    int rankedCount = 0;
    for (int step = 0; step < 40; ++step) {
        // Along the axis, then across the grid in the diagonal plane (only x-y mirror ties left).
        const CVector3D eye =
            step < 20 ? CVector3D{0, 0, 5.0 + step} : CVector3D{step - 30.0, step - 30.0, 12.0};
        std::vector<int> expected = mesh.GetOrder();
        mesh.SortByDepth(eye);
        const std::vector<double> keys = DistancesByTriangle(mesh);
        HeapSortByDepthLiteral(expected, keys.data());
        ASSERT_EQ(mesh.GetOrder(), expected) << "step " << step;
        rankedCount += mesh.LastSortPath() == DepthSortPath::kRankedHeap ? 1 : 0;
    }
    EXPECT_EQ(rankedCount, 40);
}

// The same eye twice: the second sort starts from an order already by distance, keeps it, and
// says so; on a grid with ties the result is still the heap sort's from the order as it stands.
TEST(DepthOrder, SortingAgainFromTheSameEyeReusesTheOrderExactly) {
    std::mt19937_64 random(11);
    for (const bool onGrid : {false, true}) {
        const RandomMesh source = MakeRandomMesh(random, onGrid ? 60 : 3000, 600, onGrid, false);
        CTessellatedMesh mesh;
        Tessellate(mesh, source.vertices, source.polygons);
        const CVector3D eye{0.3, -0.2, 12.5};
        mesh.SortByDepth(eye);
        std::vector<int> expected = mesh.GetOrder();
        const std::uint64_t reused = mesh.ReusedOrderCount();
        mesh.SortByDepth(eye);
        HeapSortByDepthLiteral(expected, DistancesByTriangle(mesh).data());
        EXPECT_EQ(mesh.GetOrder(), expected) << onGrid;
        if (!onGrid) {
            EXPECT_EQ(mesh.ReusedOrderCount(), reused + 1);
        }
    }
}

TEST(DepthOrder, DrawnTrianglesRunFromFarthestToNearest) {
    std::mt19937_64 random(5);
    const RandomMesh source = MakeRandomMesh(random, 200, 800, true, false);
    CTessellatedMesh mesh;
    Tessellate(mesh, source.vertices, source.polygons);
    for (const CVector3D& eye : {CVector3D{0, 0, 20}, CVector3D{1.25, -0.5, 7.75}, CVector3D{0, 0, 0}}) {
        mesh.SortByDepth(eye);
        for (int i = 1; i < mesh.m_nTriangles; ++i) {
            ASSERT_GE(mesh.GetDistance(mesh.GetOrder()[i - 1]), mesh.GetDistance(mesh.GetOrder()[i]));
        }
        std::vector<int> sorted = mesh.GetOrder();
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> identity(sorted.size());
        std::iota(identity.begin(), identity.end(), 0);
        EXPECT_EQ(sorted, identity);
    }
}

// ---------------------------------------------------------------------------------------------
// Statistics

TEST(Statistics, EmptyModelGivesAllZero) {
    CQuorvaneDoc document;
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&document.m_vertices);
    mesh.Tessellate(document.m_polygons);
    EXPECT_EQ(ComputeStatistics(document, mesh), ModelStatistics{});
}

TEST(Statistics, CubeGivesTwelveTriangles) {
    CQuorvaneDoc document;
    for (int i = 0; i < 8; ++i) {
        document.m_vertices.push_back({double(i & 1), double((i >> 1) & 1), double((i >> 2) & 1)});
    }
    document.m_polygons =
        MakePolygons({{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
    document.m_nVertices = 8;
    document.m_nPolygons = 6;
    document.m_nEdges = 24;
    document.m_nUniqueEdges = 12;
    document.m_nLargestPolygon = 4;
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&document.m_vertices);
    mesh.Tessellate(document.m_polygons);
    EXPECT_EQ(ComputeStatistics(document, mesh), (ModelStatistics{8, 6, 24, 12, 4, 12}));
}

TEST(Statistics, CountTrianglesSkipsFacesBelowThreeVertices) {
    struct Case {
        std::vector<std::vector<int>> faces;
        int expected;
    };
    const std::vector<Case> cases = {
        {{}, 0},
        {{{0, 1, 2}}, 1},
        {{{2, 5}}, 0},
        {{{0, 1, 1, 2}}, 2},
        {{{7}, {}, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 8}}, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountTriangles(MakePolygons(c.faces)), c.expected);
    }
}

// The two-lane distances have the bits of the formula triangle by triangle, for coordinates of
// every size (overflow to infinity and NaN included) and ranges of either parity and start.
TEST(TriangleDistances, MatchTheScalarFormulaToTheBit) {
    std::mt19937 random(4242u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    std::vector<CVector3D> vertices(64);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const double scale = i % 4 == 0 ? std::ldexp(1.0, exponent(random)) : 1.0;
        vertices[i] = {scale * unit(random), scale * unit(random), scale * unit(random)};
    }
    vertices[5] = {1.7e308, 1.7e308, 0.0};  // sums beyond the largest double
    vertices[6] = {-1.7e308, 0.0, 0.0};
    std::uniform_int_distribution<int> corner(0, static_cast<int>(vertices.size()) - 1);
    std::vector<CTriangle> triangles;
    for (int k = 0; k < 301; ++k) {
        triangles.emplace_back(corner(random), corner(random), corner(random));
    }
    triangles[7] = CTriangle(5, 5, 6);
    for (const CVector3D eye : {CVector3D{0.5, -2.0, 3.0}, CVector3D{1e200, 0.0, -1e-200}}) {
        for (const std::size_t first : {std::size_t{0}, std::size_t{3}}) {
            for (const std::size_t last : {triangles.size(), triangles.size() - 1}) {
                std::vector<double> distances(triangles.size(), -1.0);
                TriangleDistances(triangles.data(), vertices.data(), eye, first, last, distances.data());
                for (std::size_t k = 0; k < triangles.size(); ++k) {
                    const double expected =
                        k >= first && k < last
                            ? ViewFrom(triangles[k].Centroid(vertices.data()), eye).m_dDistance
                            : -1.0;
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(distances[k]),
                              std::bit_cast<std::uint64_t>(expected))
                        << "triangle " << k << " from " << first << " to " << last;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quorvane

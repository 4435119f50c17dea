#include "editing/editing.h"

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr double kTolerance = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void ExpectNear(const CVector3D& actual, const CVector3D& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

// The camera of the default view of a model of largest extent 4 centred at the origin.
CViewingSpace DefaultCameraOfExtentFour() {
    CViewingSpace camera;
    camera.SetAtPoint({0.0, 0.0, 0.0});
    camera.SetFromPoint({0.0, 0.0, 10.0});
    camera.SetUpVector({0.0, 1.0, 0.0});
    return camera;
}

int Select(int size, int px, int py, const std::vector<double>& x, const std::vector<double>& y) {
    return SelectNearestVertex(size, px, py, x, y);
}

TEST(SelectNearestVertex, UsesTheLineEndPixelNotTheSolidOne) {
    // S = 400: (0.5, 0.2505) is pixel (200, 300) as a line end (the solid rule would give row 299).
    const std::vector<double> x{0.5, 0.5};
    const std::vector<double> y{0.2505, 0.25};
    // Vertex 1 is at row 400 - 100 = 300 as well; both are at distance 0 from (200, 300).
    EXPECT_EQ(Select(400, 200, 300, x, y), 0);
    // From row 299 vertex 0 (row 300) and vertex 1 (row 300) tie again: the lower index wins.
    EXPECT_EQ(Select(400, 200, 299, x, y), 0);
    const std::vector<double> y2{0.2505, 0.2525};  // row 300 and row 400 - 101 = 299
    EXPECT_EQ(Select(400, 200, 299, x, y2), 1);
    EXPECT_EQ(Select(400, 200, 300, x, y2), 0);
}

TEST(SelectNearestVertex, EqualDistancesSelectTheLowestIndex) {
    // Pixels (100, 300) and (300, 300) are both 100 from (200, 300); vertex 2 coincides with vertex 1.
    const std::vector<double> x{0.75, 0.25, 0.25};
    const std::vector<double> y{0.25, 0.25, 0.25};
    EXPECT_EQ(Select(400, 200, 300, x, y), 0);
    EXPECT_EQ(Select(400, 100, 300, x, y), 1);
}

TEST(SelectNearestVertex, HasNoDistanceLimit) {
    const std::vector<double> x{0.5, 0.6};
    const std::vector<double> y{0.5, 0.5};
    EXPECT_EQ(Select(100, -1000000, 2000000, x, y), 0);
    EXPECT_EQ(Select(100, INT_MAX, INT_MIN, x, y), 1);
}

TEST(SelectNearestVertex, NoVerticesSelectsNone) {
    EXPECT_EQ(Select(400, 10, 10, {}, {}), -1);
}

TEST(SelectNearestVertex, NonFinitePositionsTakeNoPart) {
    const std::vector<double> x{kNaN, 0.9, kInf, 0.5};
    const std::vector<double> y{0.5, 0.9, 0.5, -kInf};
    // Only vertex 1 has a finite position, however far from the click it is.
    EXPECT_EQ(Select(400, 200, 200, x, y), 1);
    EXPECT_EQ(Select(400, 200, 200, {kNaN}, {kNaN}), -1);
}

TEST(SelectNearestVertex, FarOffVerticesKeepTheirExactDistances) {
    // S = 512, so that every column below is exactly S x. In each case the farther vertex comes
    // first, so that a tie would pick it.
    struct Case {
        double fartherColumn;
        double nearerColumn;
        int click;
    };
    const Case cases[] = {
        {6e8, 5.5e8, 0},                 // beyond 2^29, inside the int range
        {6e8 + 1.0, 5.5e8, 575000000},   // one pixel nearer
        {3e9, 2.5e9, INT_MAX},           // beyond the int range
        {-4.5e12, -4.5e12 + 2.0, 0},     // far beyond, two pixels apart
        {1e18, 1e18 - 1024.0, INT_MAX},  // still exact below 2^62
    };
    for (const Case& c : cases) {
        const std::vector<double> x{c.fartherColumn / 512.0, c.nearerColumn / 512.0};
        const std::vector<double> y{0.5, 0.5};
        EXPECT_EQ(Select(512, c.click, 256, x, y), 1) << c.fartherColumn << " " << c.nearerColumn;
    }
}

TEST(SelectNearestVertex, HugePositionsAndFarClicksDoNotOverflow) {
    // Positions beyond 2^62 pixels are pinned there; the scores of clicks at the ends of the int
    // range against them need more than 64 bits and must still compare correctly.
    const std::vector<double> x{1e300, -1e300, 0.5};
    const std::vector<double> y{-1e300, 1e300, 0.5};
    // The two far vertices alone: (2^62, 2^62 + 400) and (-2^62, 400 - 2^62).
    const std::vector<double> farX(x.begin(), x.begin() + 2);
    const std::vector<double> farY(y.begin(), y.begin() + 2);
    EXPECT_EQ(Select(400, INT_MAX, INT_MAX, farX, farY), 0);
    EXPECT_EQ(Select(400, INT_MIN, INT_MIN, farX, farY), 1);
    // With the vertex in the image, it is the nearest to every click in the int range.
    EXPECT_EQ(Select(400, INT_MAX, INT_MAX, x, y), 2);
    EXPECT_EQ(Select(400, INT_MIN, INT_MIN, x, y), 2);
    EXPECT_EQ(Select(400, 0, 0, x, y), 2);
}

struct DragCase {
    const char* name;
    int dx;
    int dy;
    bool left;
    bool right;
    CVector3D expected;
};

class DragOffsetTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragOffsetTest, MovesByTheUnnormalisedAxes) {
    const DragCase& c = GetParam();
    const std::optional<CVector3D> offset =
        ComputeDragOffset(DefaultCameraOfExtentFour(), c.dx, c.dy, c.left, c.right);
    ASSERT_TRUE(offset.has_value());
    ExpectNear(*offset, c.expected);
}

INSTANTIATE_TEST_SUITE_P(DefaultCameraAtDistanceTen, DragOffsetTest,
                         ::testing::Values(DragCase{"LeftRight", 3, 0, true, false, {0.3, 0.0, 0.0}},
                                           DragCase{"LeftDown", 0, 3, true, false, {0.0, -3.0, 0.0}},
                                           DragCase{"LeftDiagonal", -2, -1, true, false, {-0.2, 1.0, 0.0}},
                                           DragCase{"RightDown", 0, 3, false, true, {0.0, 0.0, 0.3}},
                                           DragCase{"RightUpIgnoresX", 7, -5, false, true, {0.0, 0.0, -0.5}},
                                           DragCase{"BothAsLeft", 3, 3, true, true, {0.3, -3.0, 0.0}}),
                         [](const ::testing::TestParamInfo<DragCase>& info) { return info.param.name; });

TEST(DragOffset, NoButtonGivesNoMove) {
    EXPECT_FALSE(ComputeDragOffset(DefaultCameraOfExtentFour(), 5, 5, false, false).has_value());
}

TEST(DragOffset, VerticalStepGrowsWithTheSquareOfTheDistance) {
    // |A| = D and |B| = D^2: at distance 20 one pixel down moves by 0.01 * 400 = 4.
    CViewingSpace camera;
    camera.SetAtPoint({1.0, 2.0, 3.0});
    camera.SetFromPoint({1.0, 2.0, 23.0});
    camera.SetUpVector({0.0, 1.0, 0.0});
    ExpectNear(*ComputeDragOffset(camera, 0, 1, true, false), {0.0, -4.0, 0.0});
    ExpectNear(*ComputeDragOffset(camera, 1, 0, true, false), {0.2, 0.0, 0.0});
}

TEST(MoveVertex, RefusesAMoveToANonFiniteCoordinate) {
    CVector3D v{1.0, 2.0, 3.0};
    EXPECT_TRUE(MoveVertex(v, {1e308, 0.0, 0.0}));
    EXPECT_FALSE(MoveVertex(v, {1e308, 0.0, 0.0}));  // 2e308 is beyond the doubles
    EXPECT_EQ(v, CVector3D(1e308 + 1.0, 2.0, 3.0));
    EXPECT_FALSE(MoveVertex(v, {0.0, kNaN, 0.0}));
    EXPECT_EQ(v, CVector3D(1e308 + 1.0, 2.0, 3.0));
    EXPECT_TRUE(MoveVertex(v, {-1e308, 1.0, 1.0}));
    EXPECT_EQ(v, CVector3D(1e308 + 1.0 - 1e308, 3.0, 4.0));
}

struct NoMoveCase {
    const char* name;
    CVector3D vertex;
    CVector3D offset;
};

TEST(MoveVertex, AnOffsetThatChangesNoCoordinateIsNoMove) {
    const NoMoveCase cases[] = {
        {"zero offset", {1.0, 2.0, 3.0}, {0.0, 0.0, 0.0}},
        {"negative zero offset", {1.0, 2.0, 3.0}, {-0.0, -0.0, -0.0}},
        // Too small to change a coordinate of this size.
        {"absorbed offset", {1e20, -1e20, 1e20}, {0.01, 0.03, -0.02}},
        // -0 + 0 gives +0, equal in value: the vertex keeps its sign of zero.
        {"signed zero kept", {-0.0, 0.0, -0.0}, {0.0, 0.0, 0.0}},
    };
    for (const NoMoveCase& c : cases) {
        CVector3D v = c.vertex;
        EXPECT_FALSE(MoveVertex(v, c.offset)) << c.name;
        EXPECT_EQ(std::signbit(v.x), std::signbit(c.vertex.x)) << c.name;
        EXPECT_EQ(v, c.vertex) << c.name;
    }
    CVector3D v{1e20, 0.0, 0.0};
    EXPECT_TRUE(MoveVertex(v, {0.0, 1e-300, 0.0}));  // one coordinate changed is a move
    EXPECT_EQ(v.y, 1e-300);
}

}  // namespace
}  // namespace quorvane

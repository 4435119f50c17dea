#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <type_traits>

#include "geometry/vector3d.h"

namespace quorvane {
namespace {

void ExpectNear(const CVector3D& actual, const CVector3D& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12);
    EXPECT_NEAR(actual.y, expected.y, 1e-12);
    EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

TEST(Vector3D, IsAPlainTwentyFourByteValue) {
    static_assert(std::is_trivially_copyable_v<CVector3D>);
    static_assert(sizeof(CVector3D) == 24);
    EXPECT_EQ(CVector3D(), CVector3D(0, 0, 0));
}

TEST(Vector3D, CrossIsRightHandedAndOrdered) {
    EXPECT_EQ(CVector3D(1, 0, 0).Cross(CVector3D(0, 1, 0)), CVector3D(0, 0, 1));
    EXPECT_EQ(CVector3D(0, 1, 0).Cross(CVector3D(1, 0, 0)), CVector3D(0, 0, -1));
}

TEST(Vector3D, DivisionIsPerComponentAndUnguarded) {
    // 1/3 multiplied differs from a true division in the last bit for some values.
    EXPECT_EQ((CVector3D(0.1, 0.7, 1.0) / 3.0), CVector3D(0.1 / 3.0, 0.7 / 3.0, 1.0 / 3.0));
    const CVector3D v = CVector3D(1, -1, 0) / 0.0;
    EXPECT_TRUE(std::isinf(v.x));
    EXPECT_TRUE(std::isinf(v.y));
    EXPECT_TRUE(std::isnan(v.z));
}

struct RotateCase {
    CVector3D v, axis;
    double degrees;
    CVector3D expected;
};

TEST(Vector3D, RotateTurnsClockwiseSeenFromTheAxisTip) {
    const RotateCase cases[] = {
        {{0, 1, 0}, {1, 0, 0}, 90, {0, 0, -1}}, {{0, 1, 0}, {1, 0, 0}, -90, {0, 0, 1}},
        {{1, 0, 0}, {0, 0, 1}, 90, {0, -1, 0}}, {{1, 0, 0}, {0, 0, -1}, 90, {0, 1, 0}},
        {{1, 0, 0}, {0, 0, 5}, 90, {0, -1, 0}},
    };
    for (const RotateCase& c : cases) {
        ExpectNear(c.v.Rotate(c.axis, c.degrees), c.expected);
    }
}

TEST(Vector3D, RotateLeavesAxisParallelZeroAndZeroAxisCasesExactly) {
    EXPECT_EQ(CVector3D(2, 0, 0).Rotate(CVector3D(1, 0, 0), 37), CVector3D(2, 0, 0));
    EXPECT_EQ(CVector3D(2, 0, 0).Rotate(CVector3D(-3, 0, 0), 123), CVector3D(2, 0, 0));
    EXPECT_EQ(CVector3D().Rotate(CVector3D(0, 1, 0), 45), CVector3D());
    EXPECT_EQ(CVector3D(1, 2, 3).Rotate(CVector3D(), 45), CVector3D(1, 2, 3));
}

TEST(Vector3D, RotateKeepsLengthAndTheAlongAxisPart) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(-10, 10);
    for (int i = 0; i < 1000; ++i) {
        const CVector3D v(d(rng), d(rng), d(rng));
        const CVector3D axis(d(rng), d(rng), d(rng));
        const double degrees = d(rng) * 36;
        const CVector3D r = v.Rotate(axis, degrees);
        const CVector3D n = axis / axis.Length();
        EXPECT_NEAR(r.Length(), v.Length(), 1e-9);
        EXPECT_NEAR(r.Dot(n), v.Dot(n), 1e-9);
    }
}

}  // namespace
}  // namespace quorvane

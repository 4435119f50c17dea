#include "viewing/viewing_space.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quorvane {
namespace {

constexpr double kTol = 1e-12;

void ExpectNear(const CVector3D& actual, const CVector3D& expected, double tol = kTol) {
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

CViewingSpace CameraOnPlusZ(double distance) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(0, 0, 0));
    camera.SetFromPoint(CVector3D(0, 0, distance));
    camera.SetUpVector(CVector3D(0, 1, 0));
    return camera;
}

TEST(ViewingSpace, NewCameraLooksFromDiagonalAtOrigin) {
    const CViewingSpace camera;
    const double r3 = std::sqrt(3.0);
    const double r2 = std::sqrt(2.0);
    const double r6 = std::sqrt(6.0);
    ExpectNear(camera.GetN(), CVector3D(-1 / r3, -1 / r3, -1 / r3));
    ExpectNear(camera.GetU(), CVector3D(1 / r2, 0, -1 / r2));
    ExpectNear(camera.GetV(), CVector3D(-1 / r6, 2 / r6, -1 / r6));
    ExpectNear(camera.Project(camera.WorldToEye(CVector3D(0, 0, 0))), CVector3D(0.5, 0.5, 0));
    EXPECT_FALSE(camera.IsDegenerate());
}

TEST(ViewingSpace, InitialScaleIsTheScaleOfFortyFiveDegrees) {
    CViewingSpace camera;
    const double initial = camera.GetProjectionScale();
    EXPECT_NEAR(initial, 1.2071067811865475, 2e-15);
    camera.SetViewingAngle(45);
    EXPECT_EQ(camera.GetProjectionScale(), initial);
    EXPECT_EQ(camera.GetViewingAngle(), 45.0);
}

TEST(ViewingSpace, AxisAlignedCameraProjectsOffAxisPoint) {
    const CViewingSpace camera = CameraOnPlusZ(5);
    EXPECT_EQ(camera.GetN(), CVector3D(0, 0, -1));
    EXPECT_EQ(camera.GetU(), CVector3D(1, 0, 0));
    EXPECT_EQ(camera.GetV(), CVector3D(0, 1, 0));
    const CVector3D eye = camera.WorldToEye(CVector3D(1, 0, 0));
    EXPECT_EQ(eye, CVector3D(1, 0, 5));
    const CVector3D image = camera.Project(eye);
    EXPECT_NEAR(image.x, 1.2071067811865475 / 5 + 0.5, 1e-15);
    EXPECT_EQ(image.y, 0.5);
    EXPECT_EQ(image.z, 0.0);
}

TEST(ViewingSpace, PointAboveSightLineProjectsHigher) {
    const CViewingSpace camera = CameraOnPlusZ(5);
    EXPECT_GT(camera.Project(camera.WorldToEye(CVector3D(0, 1, 0))).y, 0.5);
    EXPECT_LT(camera.Project(camera.WorldToEye(CVector3D(-1, 0, 0))).x, 0.5);
}

TEST(ViewingSpace, EdgeOfViewingAngleProjectsToImageBorder) {
    CViewingSpace camera = CameraOnPlusZ(4);
    camera.SetViewingAngle(90);
    // At 90 degrees x_e / z_e = +-1 are the borders.
    EXPECT_NEAR(camera.Project(CVector3D(4, 0, 4)).x, 1.0, 1e-15);
    EXPECT_NEAR(camera.Project(CVector3D(-4, -4, 4)).x, 0.0, 1e-15);
    EXPECT_NEAR(camera.Project(CVector3D(-4, -4, 4)).y, 0.0, 1e-15);
}

TEST(ViewingSpace, OnlyThePerpendicularPartOfUpMatters) {
    CViewingSpace tilted = CameraOnPlusZ(5);
    tilted.SetUpVector(CVector3D(0, 7, 0.3));
    const CViewingSpace straight = CameraOnPlusZ(5);
    EXPECT_EQ(tilted.GetU(), straight.GetU());
    EXPECT_EQ(tilted.GetV(), straight.GetV());
    EXPECT_EQ(tilted.GetN(), straight.GetN());
}

TEST(ViewingSpace, BasisIsOrthonormalAndRightAxisIsSightCrossUp) {
    const CVector3D froms[] = {{3, -2, 7}, {-10, 0.5, 0.25}, {0.001, 100, -3}};
    const CVector3D ups[] = {{0, 1, 0}, {0.3, 2, -5}, {-1, 0, 0.2}};
    for (const CVector3D& from : froms) {
        for (const CVector3D& up : ups) {
            CViewingSpace camera;
            camera.SetAtPoint(CVector3D(1, 2, 3));
            camera.SetFromPoint(from);
            camera.SetUpVector(up);
            const CVector3D& u = camera.GetU();
            const CVector3D& v = camera.GetV();
            const CVector3D& n = camera.GetN();
            EXPECT_NEAR(u.Length(), 1.0, kTol);
            EXPECT_NEAR(v.Length(), 1.0, kTol);
            EXPECT_NEAR(n.Length(), 1.0, kTol);
            EXPECT_NEAR(u.Dot(v), 0.0, kTol);
            EXPECT_NEAR(u.Dot(n), 0.0, kTol);
            EXPECT_NEAR(v.Dot(n), 0.0, kTol);
            // u x v = -n: a left-handed eye frame with depth growing into the scene.
            ExpectNear(u.Cross(v), n * -1.0);
            // The image's upward axis leans towards the Up Vector.
            EXPECT_GT(v.Dot(up), 0.0);
            // The At Point lies on the sight line in front of the eye.
            const CVector3D at = camera.WorldToEye(CVector3D(1, 2, 3));
            EXPECT_NEAR(at.x, 0.0, 1e-9);
            EXPECT_NEAR(at.y, 0.0, 1e-9);
            EXPECT_GT(at.z, 0.0);
        }
    }
}

TEST(ViewingSpace, EyeToWorldTurnsEyeAxesIntoBasis) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(4, 5, 6));
    camera.SetFromPoint(CVector3D(-1, 2, 9));
    EXPECT_EQ(camera.EyeToWorld(CVector3D(1, 0, 0)), camera.GetU());
    EXPECT_EQ(camera.EyeToWorld(CVector3D(0, 1, 0)), camera.GetV());
    EXPECT_EQ(camera.EyeToWorld(CVector3D(0, 0, 1)), camera.GetN());
    // A direction and its eye coordinates go back and forth without translation.
    const CVector3D direction(0.3, -0.4, 0.5);
    const CVector3D eye = camera.WorldToEye(camera.GetFromPoint() + direction);
    ExpectNear(camera.EyeToWorld(eye), direction);
}

TEST(ViewingSpace, DegenerateCamerasAreReported) {
    CViewingSpace coincident;
    coincident.SetFromPoint(CVector3D(0, 0, 0));
    EXPECT_TRUE(coincident.IsDegenerate());

    CViewingSpace upAlongSight = CameraOnPlusZ(5);
    upAlongSight.SetUpVector(CVector3D(0, 0, 3));
    EXPECT_TRUE(upAlongSight.IsDegenerate());

    CViewingSpace zeroUp = CameraOnPlusZ(5);
    zeroUp.SetUpVector(CVector3D(0, 0, 0));
    EXPECT_TRUE(zeroUp.IsDegenerate());

    // Repaired by the last setter: only the final state matters.
    upAlongSight.SetUpVector(CVector3D(0, 1, 0));
    EXPECT_FALSE(upAlongSight.IsDegenerate());
}

struct AngleCase {
    double given;
    double stored;
};

TEST(ViewingSpace, ViewingAngleIsClampedToHalfDegreeAndStraightAngle) {
    const AngleCase cases[] = {{200, 180},    {180, 180}, {180.0001, 180}, {0.2, 0.5},  {0.5, 0.5},
                               {0.4999, 0.5}, {-30, 0.5}, {90, 90},        {1e300, 180}};
    for (const AngleCase& c : cases) {
        CViewingSpace camera;
        camera.SetViewingAngle(c.given);
        EXPECT_EQ(camera.GetViewingAngle(), c.stored) << c.given;
        const double k = camera.GetProjectionScale();
        EXPECT_TRUE(std::isfinite(k)) << c.given;
        EXPECT_GT(k, 0.0) << c.given;
    }
}

TEST(ViewingSpace, RightAngleGivesScaleOneHalf) {
    CViewingSpace camera;
    camera.SetViewingAngle(90);
    EXPECT_NEAR(camera.GetProjectionScale(), 0.5, 1e-15);
}

TEST(ViewingSpace, StraightAngleProjectsEverythingToCentre) {
    CViewingSpace camera = CameraOnPlusZ(5);
    camera.SetViewingAngle(180);
    EXPECT_LT(camera.GetProjectionScale(), 1e-14);
    const CVector3D image = camera.Project(camera.WorldToEye(CVector3D(3, -2, 0)));
    EXPECT_NEAR(image.x, 0.5, 1e-14);
    EXPECT_NEAR(image.y, 0.5, 1e-14);
}

TEST(ViewingSpace, ZoomInStepsFivePercentCloserOnTheSameLine) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(1, 1, 1));
    camera.SetFromPoint(CVector3D(1, 1, 11));
    camera.Zoom(95);
    ExpectNear(camera.GetFromPoint(), CVector3D(1, 1, 10.5));
    EXPECT_EQ(camera.GetAtPoint(), CVector3D(1, 1, 1));
    camera.Zoom(105);
    ExpectNear(camera.GetFromPoint(), CVector3D(1, 1, 10.975));
}

TEST(ViewingSpace, ZoomInStopsAtOneTenth) {
    CViewingSpace atLimit = CameraOnPlusZ(0.1);
    atLimit.Zoom(95);
    EXPECT_EQ(atLimit.GetFromPoint(), CVector3D(0, 0, 0.1));

    // One step may pass the limit; none follows.
    CViewingSpace nearLimit = CameraOnPlusZ(0.105);
    nearLimit.Zoom(95);
    EXPECT_NEAR(nearLimit.GetFromPoint().z, 0.09975, 1e-15);
    const CVector3D passed = nearLimit.GetFromPoint();
    nearLimit.Zoom(95);
    EXPECT_EQ(nearLimit.GetFromPoint(), passed);
    // Zooming out is still allowed there.
    nearLimit.Zoom(105);
    EXPECT_GT(nearLimit.GetFromPoint().z, passed.z);
}

TEST(ViewingSpace, ZoomOutStopsAtFiveThousand) {
    CViewingSpace atLimit = CameraOnPlusZ(5000);
    atLimit.Zoom(105);
    EXPECT_EQ(atLimit.GetFromPoint(), CVector3D(0, 0, 5000));
    atLimit.Zoom(95);
    EXPECT_NEAR(atLimit.GetFromPoint().z, 4750, 1e-9);

    CViewingSpace belowLimit = CameraOnPlusZ(4999);
    belowLimit.Zoom(105);
    EXPECT_NEAR(belowLimit.GetFromPoint().z, 5248.95, 1e-9);
}

TEST(ViewingSpace, ZoomKeepsDirection) {
    CViewingSpace camera;
    const CVector3D n = camera.GetN();
    camera.Zoom(95);
    ExpectNear(camera.GetN(), n, 1e-15);
}

TEST(ViewingSpace, PanMovesBothPointsByUnnormalisedSteps) {
    CViewingSpace camera = CameraOnPlusZ(5);
    // Horizontal step 0.05 |d| towards -x, vertical step 0.05 |d|^2 towards +y.
    camera.Pan(0.05, 0);
    EXPECT_EQ(camera.GetAtPoint(), CVector3D(-0.25, 0, 0));
    EXPECT_EQ(camera.GetFromPoint(), CVector3D(-0.25, 0, 5));
    camera.Pan(0, 0.05);
    EXPECT_EQ(camera.GetAtPoint(), CVector3D(-0.25, 1.25, 0));
    EXPECT_EQ(camera.GetFromPoint(), CVector3D(-0.25, 1.25, 5));
    camera.Pan(-0.05, -0.05);
    EXPECT_EQ(camera.GetAtPoint(), CVector3D(0, 0, 0));
}

TEST(ViewingSpace, PanLeavesLineOfSightUnchanged) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(2, -1, 0.5));
    camera.SetFromPoint(CVector3D(-3, 4, 6));
    camera.SetUpVector(CVector3D(0.2, 1, 0.1));
    const CVector3D sight = camera.GetAtPoint() - camera.GetFromPoint();
    const CVector3D n = camera.GetN();
    for (int i = 0; i < 10; ++i) {
        camera.Pan(i % 3 == 0 ? 0.05 : -0.05, i % 2 == 0 ? 0.05 : 0.0);
        ExpectNear(camera.GetAtPoint() - camera.GetFromPoint(), sight, 1e-9);
    }
    EXPECT_EQ(camera.GetN(), n);
}

// The eye after the default view of the box (-1, -2, -3) .. (3, 2, 1): centre C, distance 10.
const CVector3D kCentre(1, 0, -1);
constexpr double kDistance = 10;

CViewingSpace FramedCamera() {
    CViewingSpace camera;
    camera.SetAtPoint(kCentre);
    camera.SetFromPoint(kCentre + CVector3D(0, 0, kDistance));
    camera.SetUpVector(CVector3D(0, 1, 0));
    camera.SetViewingAngle(45);
    return camera;
}

TEST(ViewingSpace, HorizontalOrbitTurnsEyeAboutUpAxis) {
    CViewingSpace camera = FramedCamera();
    camera.Orbit(0, 90);
    ExpectNear(camera.GetFromPoint(), kCentre + CVector3D(-kDistance, 0, 0));
    ExpectNear(camera.GetUpVector(), CVector3D(0, 1, 0));
    EXPECT_EQ(camera.GetAtPoint(), kCentre);
    ExpectNear(camera.GetN(), CVector3D(1, 0, 0));
}

TEST(ViewingSpace, VerticalOrbitTiltsEyeAndUpVector) {
    CViewingSpace camera = FramedCamera();
    camera.Orbit(90, 0);
    ExpectNear(camera.GetFromPoint(), kCentre + CVector3D(0, -kDistance, 0));
    ExpectNear(camera.GetUpVector(), CVector3D(0, 0, 1));
    EXPECT_EQ(camera.GetAtPoint(), kCentre);
}

TEST(ViewingSpace, OrbitAppliesVerticalTurnFirstAboutEntryAxes) {
    CViewingSpace both = FramedCamera();
    both.Orbit(90, 90);
    // Vertical: eye to -y, up to +z. Horizontal about the entry axis A2 (along +y, scaled):
    // the eye on the axis stays, the up vector (0, 0, 1) turns to (-1, 0, 0).
    ExpectNear(both.GetFromPoint(), kCentre + CVector3D(0, -kDistance, 0));
    ExpectNear(both.GetUpVector(), CVector3D(-1, 0, 0));
}

TEST(ViewingSpace, OrbitByZeroChangesNothing) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(0.3, 0.2, 0.1));
    camera.SetFromPoint(CVector3D(5, -4, 3));
    camera.SetUpVector(CVector3D(0.1, 0.9, 0.3));
    const CViewingSpace before = camera;
    camera.Orbit(0, 0);
    EXPECT_EQ(camera.GetFromPoint(), before.GetFromPoint());
    EXPECT_EQ(camera.GetAtPoint(), before.GetAtPoint());
    EXPECT_EQ(camera.GetUpVector(), before.GetUpVector());
    EXPECT_EQ(camera.GetU(), before.GetU());
}

TEST(ViewingSpace, RepeatedOrbitsKeepDistanceAndAtPoint) {
    CViewingSpace camera = FramedCamera();
    const double angles[][2] = {{5, -7}, {-13, 2}, {0, 33}, {-90, 0}, {17, 170}, {3, -3}, {-45, 60}};
    for (int round = 0; round < 20; ++round) {
        for (const auto& a : angles) {
            camera.Orbit(a[0], a[1]);
            EXPECT_NEAR((camera.GetFromPoint() - kCentre).Length(), kDistance, 1e-9);
            EXPECT_EQ(camera.GetAtPoint(), kCentre);
            EXPECT_FALSE(camera.IsDegenerate());
        }
    }
}

TEST(ViewingSpace, OrbitFollowsTheMouse) {
    // Mouse right (positive horizontal angle): the eye moves towards -x.
    CViewingSpace right = FramedCamera();
    right.Orbit(0, 5);
    EXPECT_LT(right.GetFromPoint().x, kCentre.x);
    // Mouse up (positive vertical angle): the eye moves towards -y.
    CViewingSpace up = FramedCamera();
    up.Orbit(5, 0);
    EXPECT_LT(up.GetFromPoint().y, kCentre.y);
}

// The two-lane projection has the bits of WorldToEye and Project point by point, and the side of
// the eye, for points of every size in front, behind, on the eye's plane and beyond the doubles.
TEST(ProjectPoints, MatchesWorldToEyeAndProjectToTheBit) {
    std::mt19937 random(777u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-200, 200);
    std::vector<CVector3D> points(203);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double scale = i % 3 == 0 ? std::ldexp(1.0, exponent(random)) : 10.0;
        points[i] = {scale * unit(random), scale * unit(random), scale * unit(random)};
    }
    points[4] = {1.7e308, -1.7e308, 1.7e308};
    points[5] = {std::nan(""), 0.0, 0.0};
    CViewingSpace camera;
    camera.SetFromPoint({3.0, -2.0, 7.5});
    camera.SetAtPoint({0.1, 0.2, -0.3});
    camera.SetUpVector({0.0, 0.0, 1.0});
    camera.SetViewingAngle(38.0);
    camera.ComputeBasis();
    points[6] = camera.GetFromPoint();  // the eye itself
    for (const std::size_t first : {std::size_t{0}, std::size_t{1}}) {
        std::vector<double> x(points.size(), -1.0);
        std::vector<double> y(points.size(), -1.0);
        std::vector<EyeSide> sides(points.size(), EyeSide::kInFront);
        ProjectPoints(camera, points.data(), first, points.size(), x.data(), y.data(), sides.data());
        for (std::size_t i = first; i < points.size(); ++i) {
            const CVector3D e = camera.WorldToEye(points[i]);
            const CVector3D q = camera.Project(e);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(q.x)) << i;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(y[i]), std::bit_cast<std::uint64_t>(q.y)) << i;
            const EyeSide side =
                !e.IsFinite() ? EyeSide::kNotFinite : (e.z > 0.0 ? EyeSide::kInFront : EyeSide::kBehind);
            ASSERT_EQ(sides[i], side) << i;
        }
        EXPECT_EQ(sides[4], EyeSide::kNotFinite);
        EXPECT_EQ(sides[5], EyeSide::kNotFinite);
        EXPECT_EQ(sides[6], EyeSide::kBehind);
    }
}

}  // namespace
}  // namespace quorvane

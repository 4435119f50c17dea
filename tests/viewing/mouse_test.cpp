#include "viewing/mouse.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvane {
namespace {

struct MoveCase {
    int dx, dy;
    bool left, right;
    CameraMotionKind kind;
    double first, second;
};

constexpr auto kNone = CameraMotionKind::kNone;
constexpr auto kPan = CameraMotionKind::kPan;
constexpr auto kZoom = CameraMotionKind::kZoom;
constexpr auto kOrbit = CameraMotionKind::kOrbit;

TEST(MouseMapping, ButtonsAndThresholdsChooseTheMotion) {
    const MoveCase cases[] = {
        // Both buttons: fixed pan steps beyond 3 pixels per axis.
        {10, 2, true, true, kPan, 0.05, 0},
        {-3, -3, true, true, kPan, 0, 0},
        {3, 3, true, true, kPan, 0, 0},
        {4, -4, true, true, kPan, 0.05, -0.05},
        {-4, 100, true, true, kPan, -0.05, 0.05},
        {-100, 4, true, true, kPan, -0.05, 0.05},
        {0, 0, true, true, kPan, 0, 0},
        // Right button: one zoom step per event, by the vertical direction only.
        {0, 1, false, true, kZoom, 105, 0},
        {0, -1, false, true, kZoom, 95, 0},
        {-7, 30, false, true, kZoom, 105, 0},
        {50, 0, false, true, kNone, 0, 0},
        // Left button: one degree per pixel beyond 1 pixel; up is a positive vertical angle.
        {2, 0, true, false, kOrbit, 0, 2},
        {1, 1, true, false, kOrbit, 0, 0},
        {-1, -1, true, false, kOrbit, 0, 0},
        {5, -5, true, false, kOrbit, 5, 5},
        {-2, 2, true, false, kOrbit, -2, -2},
        {0, -40, true, false, kOrbit, 40, 0},
        // No button: nothing.
        {10, 10, false, false, kNone, 0, 0},
        {0, 0, false, false, kNone, 0, 0},
    };
    for (const MoveCase& c : cases) {
        const CameraMotion m = MapViewingMouseMove(c.dx, c.dy, c.left, c.right);
        SCOPED_TRACE(testing::Message()
                     << "dx " << c.dx << " dy " << c.dy << " left " << c.left << " right " << c.right);
        EXPECT_EQ(m.kind, c.kind);
        EXPECT_EQ(m.first, c.first);
        if (c.kind != kZoom) {
            EXPECT_EQ(m.second, c.second);
        }
        EXPECT_EQ(m.NeedsRefresh(), c.kind != kNone);
    }
}

TEST(MouseMapping, ExtremeMovesDoNotOverflow) {
    const CameraMotion m = MapViewingMouseMove(-2147483647 - 1, -2147483647 - 1, true, false);
    EXPECT_EQ(m.kind, kOrbit);
    EXPECT_EQ(m.first, 2147483648.0);
    EXPECT_EQ(m.second, -2147483648.0);
}

CViewingSpace DefaultCamera() {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(0, 0, 0));
    camera.SetFromPoint(CVector3D(0, 0, 5));
    camera.SetUpVector(CVector3D(0, 1, 0));
    return camera;
}

TEST(MouseMapping, AppliedMotionsMoveTheCameraAsTheyName) {
    CViewingSpace orbited = DefaultCamera();
    ApplyCameraMotion(orbited, MapViewingMouseMove(5, -5, true, false));
    CViewingSpace direct = DefaultCamera();
    direct.Orbit(5, 5);
    EXPECT_EQ(orbited.GetFromPoint(), direct.GetFromPoint());
    EXPECT_EQ(orbited.GetUpVector(), direct.GetUpVector());
    // The model follows the mouse: right and up move the eye to -x and -y.
    EXPECT_LT(orbited.GetFromPoint().x, 0.0);
    EXPECT_LT(orbited.GetFromPoint().y, 0.0);

    CViewingSpace zoomed = DefaultCamera();
    ApplyCameraMotion(zoomed, MapViewingMouseMove(0, -3, false, true));
    EXPECT_NEAR(zoomed.GetFromPoint().z, 4.75, 1e-12);

    CViewingSpace panned = DefaultCamera();
    ApplyCameraMotion(panned, MapViewingMouseMove(10, 2, true, true));
    EXPECT_EQ(panned.GetAtPoint(), CVector3D(-0.25, 0, 0));

    CViewingSpace untouched = DefaultCamera();
    ApplyCameraMotion(untouched, MapViewingMouseMove(50, 0, false, true));
    ApplyCameraMotion(untouched, MapViewingMouseMove(3, 9, false, false));
    EXPECT_EQ(untouched.GetFromPoint(), CVector3D(0, 0, 5));
    EXPECT_EQ(untouched.GetAtPoint(), CVector3D(0, 0, 0));
}

struct WheelCase {
    const char* name;
    int remainder;
    int delta;
    int notches;
    int rest;
};

class WheelNotches : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelNotches, WholeNotchesAreTakenAndTheRestCarried) {
    const WheelCase& c = GetParam();
    int remainder = c.remainder;
    EXPECT_EQ(TakeWheelNotches(remainder, c.delta), c.notches);
    EXPECT_EQ(remainder, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Deltas, WheelNotches,
    ::testing::Values(WheelCase{"OneNotchAway", 0, 120, 1, 0}, WheelCase{"OneNotchToward", 0, -120, -1, 0},
                      WheelCase{"PartIsCarried", 0, 40, 0, 40},
                      WheelCase{"PartsCompleteANotch", 80, 40, 1, 0},
                      WheelCase{"PartsOverflowANotch", 100, 50, 1, 30},
                      WheelCase{"OppositePartsCancel", 60, -60, 0, 0},
                      WheelCase{"TurningBackUsesTheCarriedPart", 100, -340, -2, 0},
                      WheelCase{"SeveralNotchesAtOnce", 0, 360, 3, 0},
                      WheelCase{"NegativeRestKeepsItsSign", 0, -250, -2, -10},
                      WheelCase{"LargestDeltaDoesNotOverflow", 119, 2147483647, 17895698, 6},
                      WheelCase{"SmallestDeltaDoesNotOverflow", -119, -2147483647 - 1, -17895698, -7}),
    [](const ::testing::TestParamInfo<WheelCase>& info) { return info.param.name; });

TEST(MouseMapping, AWheelNotchIsOneZoomStepOfTheRightDrag) {
    const CameraMotion away = MapWheelNotch(1);
    const CameraMotion dragUp = MapViewingMouseMove(0, -1, false, true);
    EXPECT_EQ(away.kind, dragUp.kind);
    EXPECT_EQ(away.first, dragUp.first);
    const CameraMotion toward = MapWheelNotch(-3);
    const CameraMotion dragDown = MapViewingMouseMove(0, 1, false, true);
    EXPECT_EQ(toward.kind, dragDown.kind);
    EXPECT_EQ(toward.first, dragDown.first);
    EXPECT_FALSE(MapWheelNotch(0).NeedsRefresh());
}

struct DeviceCase {
    const char* name;
    int logical;
    double ratio;
    int device;
};

class LogicalToDevice : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(LogicalToDevice, TheCentreOfTheLogicalPixelChoosesTheDevicePixel) {
    const DeviceCase& c = GetParam();
    EXPECT_EQ(LogicalToDevicePixel(c.logical, c.ratio), c.device);
}

INSTANTIATE_TEST_SUITE_P(
    Ratios, LogicalToDevice,
    ::testing::Values(DeviceCase{"RatioOneKeepsThePixel", 37, 1.0, 37},
                      DeviceCase{"RatioOneKeepsANegativePixel", -5, 1.0, -5},
                      DeviceCase{"RatioTwoTakesTheSecondOfTwo", 10, 2.0, 21},
                      DeviceCase{"RatioTwoFirstPixel", 0, 2.0, 1},
                      DeviceCase{"RatioTwoNegative", -1, 2.0, -1}, DeviceCase{"RatioOneAndAHalf", 3, 1.5, 5},
                      DeviceCase{"RatioOneAndAQuarter", 4, 1.25, 5}, DeviceCase{"RatioBelowOne", 7, 0.5, 3},
                      DeviceCase{"ZeroRatioCountsAsOne", 12, 0.0, 12},
                      DeviceCase{"NegativeRatioCountsAsOne", 12, -2.0, 12},
                      DeviceCase{"NaNRatioCountsAsOne", 12, std::nan(""), 12},
                      DeviceCase{"HugeResultIsPinned", 2147483647, 4.0, 2147483647},
                      DeviceCase{"HugeNegativeResultIsPinned", -2147483647 - 1, 4.0, -2147483647 - 1}),
    [](const ::testing::TestParamInfo<DeviceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane

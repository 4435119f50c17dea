#include "viewing/mouse.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorvane

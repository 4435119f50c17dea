#include "viewing/mouse.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace quorvane {

namespace {

// Both buttons: a fixed step per event once the move exceeds 3 pixels along an axis.
constexpr int kPanDeadZone = 3;
constexpr double kPanStep = 0.05;
// Left button: one degree per pixel once the move exceeds 1 pixel along an axis.
constexpr int kOrbitDeadZone = 1;
// Right button: 5 % closer when moving up, 5 % farther when moving down.
constexpr double kZoomInPercent = 95.0;
constexpr double kZoomOutPercent = 105.0;

double PanAmount(int delta) {
    if (delta < -kPanDeadZone) {
        return -kPanStep;
    }
    return delta > kPanDeadZone ? kPanStep : 0.0;
}

double OrbitDegrees(int delta) {
    return (delta < -kOrbitDeadZone || delta > kOrbitDeadZone) ? static_cast<double>(delta) : 0.0;
}

}  // namespace

// Both buttons pan, the right alone zooms, the left alone orbits; the first that applies wins.
CameraMotion MapViewingMouseMove(int dx, int dy, bool leftButtonDown, bool rightButtonDown) {
    if (rightButtonDown && leftButtonDown) {
        return {CameraMotionKind::kPan, PanAmount(dx), PanAmount(dy)};
    }
    if (rightButtonDown) {
        if (dy < 0) {
            return {CameraMotionKind::kZoom, kZoomInPercent, 0.0};
        }
        if (dy > 0) {
            return {CameraMotionKind::kZoom, kZoomOutPercent, 0.0};
        }
        return {};
    }
    if (leftButtonDown) {
        // Moving the mouse up (dy < 0) tilts by a positive angle.
        return {CameraMotionKind::kOrbit, -OrbitDegrees(dy), OrbitDegrees(dx)};
    }
    return {};
}

void ApplyCameraMotion(CViewingSpace& camera, const CameraMotion& motion) {
    switch (motion.kind) {
        case CameraMotionKind::kPan:
            camera.Pan(motion.first, motion.second);
            break;
        case CameraMotionKind::kZoom:
            camera.Zoom(motion.first);
            break;
        case CameraMotionKind::kOrbit:
            camera.Orbit(motion.first, motion.second);
            break;
        case CameraMotionKind::kNone:
            break;
    }
}

// The sum is kept in 64 bits: a remainder and a delta near INT_MAX must not overflow.
int TakeWheelNotches(int& remainder, int delta) {
    const std::int64_t sum = std::int64_t{remainder} + std::int64_t{delta};
    const std::int64_t notches = sum / kWheelNotch;  // truncates toward zero
    remainder = static_cast<int>(sum - notches * kWheelNotch);
    return static_cast<int>(notches);
}

CameraMotion MapWheelNotch(int notches) {
    if (notches > 0) {
        return {CameraMotionKind::kZoom, kZoomInPercent, 0.0};
    }
    if (notches < 0) {
        return {CameraMotionKind::kZoom, kZoomOutPercent, 0.0};
    }
    return {};
}

int LogicalToDevicePixel(int logical, double ratio) {
    if (!std::isfinite(ratio) || ratio <= 0.0) {
        ratio = 1.0;
    }
    const double device = std::floor((static_cast<double>(logical) + 0.5) * ratio);
    return static_cast<int>(std::clamp(device, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

}  // namespace quorvane

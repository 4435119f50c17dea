// What a mouse move in Viewing mode does to the camera: orbit, zoom, pan or nothing.
#pragma once

#include "viewing/viewing_space.h"

namespace quorvane {

enum class CameraMotionKind { kNone, kPan, kZoom, kOrbit };

// One camera motion. For kPan `first`/`second` are the amounts a and b, for kZoom `first` is the
// percentage (95 or 105), for kOrbit `first` is the vertical and `second` the horizontal angle.
struct CameraMotion {
    CameraMotionKind kind = CameraMotionKind::kNone;
    double first = 0.0;
    double second = 0.0;

    // Whether the picture is transformed and rendered again after the move (also for a pan or
    // orbit of zero amounts).
    bool NeedsRefresh() const { return kind != CameraMotionKind::kNone; }
};

// The motion for a mouse move of (dx, dy) client pixels (y grows downward) with the given buttons held.
CameraMotion MapViewingMouseMove(int dx, int dy, bool leftButtonDown, bool rightButtonDown);

// Applies a motion to the camera; kNone leaves it untouched.
void ApplyCameraMotion(CViewingSpace& camera, const CameraMotion& motion);

}  // namespace quorvane

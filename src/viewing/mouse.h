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

// The wheel's angle delta of one notch (eighths of a degree); finer wheels report parts of it.
inline constexpr int kWheelNotch = 120;

// Adds a wheel delta (positive: turned away from the user) to the part of a notch carried in
// `remainder` and returns the whole notches made, signed, leaving the rest (|rest| < kWheelNotch,
// with the sign of the sum) in `remainder`.
int TakeWheelNotches(int& remainder, int delta);

// The zoom of one wheel notch: turned away from the user (notches > 0) as a right drag upward,
// toward the user as one downward; kNone for 0.
CameraMotion MapWheelNotch(int notches);

// The device pixel holding the centre of logical pixel `logical` on a screen of `ratio` device
// pixels per logical pixel: floor((logical + 0.5) ratio), pinned into the int range. A ratio that
// is not a positive finite number counts as 1.
int LogicalToDevicePixel(int logical, double ratio);

}  // namespace quorvane

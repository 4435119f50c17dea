// Why a camera has no usable basis, in words for the user.
#pragma once

#include <string>

#include "viewing/viewing_space.h"

namespace quorvane {

// What makes the camera degenerate, following the steps of CViewingSpace::ComputeBasis: a point
// that is not a number, From Point on the At Point, a zero Up Vector, an Up Vector along the line
// of sight, or a distance or cross product that overflows or underflows double precision.
// Empty when the camera is not degenerate.
std::string DescribeCameraFault(const CViewingSpace& camera);

}  // namespace quorvane

// The shaded colour of a triangle of the mesh seen from an eye point, one at a time or two at once.
#pragma once

#include <cstdint>

#include "geometry/vector3d.h"
#include "model/tessellation.h"
#include "render/lighting.h"

namespace quorvane {

// The image pixel of triangle t seen from `eye`: ComputeColor of its unit normal and of the
// direction from its centroid to the eye.
std::uint32_t FaceColour(const CTriangle& t, const CVector3D* vertices, const CVector3D& eye,
                         const CLightingSettings& lighting);

// FaceColour of triangles a and b into colourA and colourB, to the bit, with the divisions and
// square roots of both done at once in two-lane vectors where the processor has them.
void FaceColours(const CTriangle& a, const CTriangle& b, const CVector3D* vertices, const CVector3D& eye,
                 const CLightingSettings& lighting, std::uint32_t& colourA, std::uint32_t& colourB);

}  // namespace quorvane

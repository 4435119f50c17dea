// Cutting lines and triangles to the part of eye space whose projection has pixel positions the
// renderer can draw exactly: in front of the eye and within kProjectionLimit pixels of the image.
//
// That part is a pyramid with its apex at the eye, so where it is cut does not depend on how far
// the At Point lies along the line of sight. Its sides are the four planes on which a point
// projects exactly kProjectionLimit pixels left, right, above or below the image's lower-left
// corner; a point beyond them is as good as at or behind the eye for drawing. Cutting a primitive
// at a side keeps a piece of the same straight line in the image, far outside the image.
#pragma once

#include "geometry/vector3d.h"

namespace quorvane {

// Pixel positions of vertices (column S x, and S y counted upward) up to this far from zero are
// drawn exactly; a vertex projecting farther out, or lying at or behind the eye, is cut away.
inline constexpr double kProjectionLimit = 1073741824.0;  // 2^30

// Apart from the sides, a cut primitive is also cut at this fraction of its largest eye coordinate
// in front of the eye, where its points are still computed to about 2^-20 of their size: what lies
// nearer to the eye than that projects to the apex's neighbourhood and is left out.
inline constexpr double kNearFraction = 1.0 / 4294967296.0;  // 2^-32

// Room for the polygon a triangle becomes: three corners and one more for each of five planes.
inline constexpr int kMaxClipVertices = 8;

// A vertex of a cut primitive: its position scaled to pixels, (u, v) = (S x, S y) of the
// normalised image position, and which of the primitive's corners it is, or -1 for a point the cut
// made. Cut points are interpolated from the nearer end of the side they cut, in coordinates
// scaled to the primitive's size; even points very near the eye keep the drawn part of the side
// to a small fraction of a pixel.
struct ClipVertex {
    double u = 0.0;
    double v = 0.0;
    int corner = -1;
};

// The region for an image of side S and the camera's projection scale k.
class CProjectionRegion {
  public:
    CProjectionRegion(int imageSize, double projScale);

    // Whether a point in front of the eye whose projection is at pixel (u, v) = S (x, y) of the
    // normalised image position lies inside. False for values that are not numbers.
    static bool ContainsPixel(double u, double v) {
        return u >= -kProjectionLimit && u <= kProjectionLimit && v >= -kProjectionLimit &&
               v <= kProjectionLimit;
    }

    // Cuts the segment between two points of finite eye coordinates to the region. Returns false
    // when nothing is left; otherwise out[0] and out[1] are the ends of what is left, in the
    // segment's direction (corner 0 for a, 1 for b where an end is kept as it is).
    bool ClipSegment(const CVector3D& a, const CVector3D& b, ClipVertex out[2]) const;

    // Cuts the triangle of three points of finite eye coordinates to the region. Returns the number
    // of corners of the convex polygon that is left (0, or 3 to kMaxClipVertices) in `out`, in the
    // triangle's winding order (corner 0, 1 or 2 where a corner is kept as it is).
    int ClipTriangle(const CVector3D corners[3], ClipVertex out[kMaxClipVertices]) const;

  private:
    static constexpr int kPlanes = 5;

    // The value of plane `plane` at eye point p: at least 0 inside.
    double PlaneValue(int plane, const CVector3D& p, double nearDepth) const;
    // The pixel position of an eye point in front, by the projection's own formula.
    ClipVertex Project(const CVector3D& p, int corner) const;

    double m_size;        // S
    double m_projScale;   // k
    double m_pixelScale;  // S k: pixel offset from the image's centre per unit of x / z
    double m_halfSize;    // S / 2: the centre's pixel
};

}  // namespace quorvane

#include "render/clip.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

constexpr int kNearPlane = 4;

// The point of segment a-b where a plane's value, fa at a and fb at b (of opposite signs), is 0.
// It is interpolated from the end it is nearer to, so that a cut close to either end keeps the
// precision of that end.
CVector3D CutPoint(const CVector3D& a, double fa, const CVector3D& b, double fb) {
    const double t = fa / (fa - fb);
    if (t <= 0.5) {
        return a + (b - a) * t;
    }
    return b + (a - b) * (fb / (fb - fa));
}

// The largest magnitude of the coordinates of `count` points.
double LargestCoordinate(const CVector3D* points, int count) {
    double largest = 0.0;
    for (int i = 0; i < count; ++i) {
        largest = std::max({largest, std::fabs(points[i].x), std::fabs(points[i].y), std::fabs(points[i].z)});
    }
    return largest;
}

// Scales `count` points by the power of two that brings their largest coordinate into [0.5, 1), so
// that no plane value can overflow; returns false when all of them are the eye itself.
bool Normalise(const CVector3D* points, int count, CVector3D* scaled) {
    const double largest = LargestCoordinate(points, count);
    if (!(largest > 0.0)) {
        return false;
    }
    int exponent = 0;
    std::frexp(largest, &exponent);
    for (int i = 0; i < count; ++i) {
        scaled[i] = {std::ldexp(points[i].x, -exponent), std::ldexp(points[i].y, -exponent),
                     std::ldexp(points[i].z, -exponent)};
    }
    return true;
}

}  // namespace

CProjectionRegion::CProjectionRegion(int imageSize, double projScale)
    : m_pixelScale(static_cast<double>(imageSize) * projScale),
      m_halfSize(0.5 * static_cast<double>(imageSize)) {}

// The pixel of a point in front is u = U / z with U = S k x + (S / 2) z (v likewise from y), so
// |u| <= L is L z - U >= 0 and L z + U >= 0; the four sides together also keep z >= 0.
double CProjectionRegion::PlaneValue(int plane, const CVector3D& p, double nearDepth) const {
    switch (plane) {
        case 0:
            return kProjectionLimit * p.z - (m_pixelScale * p.x + m_halfSize * p.z);
        case 1:
            return kProjectionLimit * p.z + (m_pixelScale * p.x + m_halfSize * p.z);
        case 2:
            return kProjectionLimit * p.z - (m_pixelScale * p.y + m_halfSize * p.z);
        case 3:
            return kProjectionLimit * p.z + (m_pixelScale * p.y + m_halfSize * p.z);
        default:
            return p.z - nearDepth;
    }
}

// Liang-Barsky: the part of the segment on the inner side of every plane, entered at the last
// plane it comes in through and left at the first plane it goes out through.
bool CProjectionRegion::ClipSegment(const CVector3D& a, const CVector3D& b, ClipVertex out[2]) const {
    CVector3D ends[2] = {a, b};
    if (!Normalise(ends, 2, ends)) {
        return false;
    }
    const double nearDepth = kNearFraction * LargestCoordinate(ends, 2);
    out[0] = {ends[0], 0};
    out[1] = {ends[1], 1};
    double enter = 0.0;
    double leave = 1.0;
    for (int plane = 0; plane < kPlanes; ++plane) {
        const double fa = PlaneValue(plane, ends[0], nearDepth);
        const double fb = PlaneValue(plane, ends[1], nearDepth);
        if (fa < 0.0 && fb < 0.0) {
            return false;
        }
        if (fa < 0.0) {
            const double t = fa / (fa - fb);
            if (t > enter) {
                enter = t;
                out[0] = {CutPoint(ends[0], fa, ends[1], fb), -1};
                if (plane == kNearPlane) {
                    out[0].eye.z = nearDepth;
                }
            }
        } else if (fb < 0.0) {
            const double t = fa / (fa - fb);
            if (t < leave) {
                leave = t;
                out[1] = {CutPoint(ends[0], fa, ends[1], fb), -1};
                if (plane == kNearPlane) {
                    out[1].eye.z = nearDepth;
                }
            }
        }
    }
    return enter < leave;
}

// Sutherland-Hodgman: the polygon is cut by one plane after the other, each cut keeping the
// corners on the inner side and adding the point where an edge crosses.
int CProjectionRegion::ClipTriangle(const CVector3D corners[3], ClipVertex out[kMaxClipVertices]) const {
    CVector3D scaled[3];
    if (!Normalise(corners, 3, scaled)) {
        return 0;
    }
    const double nearDepth = kNearFraction * LargestCoordinate(scaled, 3);
    ClipVertex buffers[2][kMaxClipVertices];
    ClipVertex* polygon = buffers[0];
    ClipVertex* next = buffers[1];
    int count = 3;
    for (int k = 0; k < 3; ++k) {
        polygon[k] = {scaled[k], k};
    }
    for (int plane = 0; plane < kPlanes && count > 0; ++plane) {
        double values[kMaxClipVertices];
        for (int k = 0; k < count; ++k) {
            values[k] = PlaneValue(plane, polygon[k].eye, nearDepth);
        }
        int made = 0;
        for (int k = 0; k < count; ++k) {
            const int l = k + 1 == count ? 0 : k + 1;
            const bool inside = values[k] >= 0.0;
            if (inside && made < kMaxClipVertices) {
                next[made++] = polygon[k];
            }
            if (inside != (values[l] >= 0.0) && made < kMaxClipVertices) {
                ClipVertex cut{CutPoint(polygon[k].eye, values[k], polygon[l].eye, values[l]), -1};
                if (plane == kNearPlane) {
                    cut.eye.z = nearDepth;
                }
                next[made++] = cut;
            }
        }
        std::swap(polygon, next);
        count = made;
    }
    if (count < 3) {
        return 0;
    }
    std::copy_n(polygon, count, out);
    return count;
}

}  // namespace quorvane

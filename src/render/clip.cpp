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

// A vertex of the polygon being cut: eye coordinates and the corner it is, or -1.
struct SWorkVertex {
    CVector3D eye;
    int corner;
};

}  // namespace

CProjectionRegion::CProjectionRegion(int imageSize, double projScale)
    : m_size(static_cast<double>(imageSize)),
      m_projScale(projScale),
      m_pixelScale(static_cast<double>(imageSize) * projScale),
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

// S (k x / z + 0.5), in the order of operations of CViewingSpace::Project and the pixel rules.
ClipVertex CProjectionRegion::Project(const CVector3D& p, int corner) const {
    return {m_size * (m_projScale * p.x / p.z + 0.5), m_size * (m_projScale * p.y / p.z + 0.5), corner};
}

// Liang-Barsky: the part of the segment on the inner side of every plane, entered at the last
// plane it comes in through and left at the first plane it goes out through.
bool CProjectionRegion::ClipSegment(const CVector3D& a, const CVector3D& b, ClipVertex out[2]) const {
    CVector3D ends[2] = {a, b};
    if (!Normalise(ends, 2, ends)) {
        return false;
    }
    const double nearDepth = kNearFraction * LargestCoordinate(ends, 2);
    CVector3D cut[2] = {ends[0], ends[1]};
    bool moved[2] = {false, false};
    double enter = 0.0;
    double leave = 1.0;
    for (int plane = 0; plane < kPlanes; ++plane) {
        const double fa = PlaneValue(plane, ends[0], nearDepth);
        const double fb = PlaneValue(plane, ends[1], nearDepth);
        if (fa < 0.0 && fb < 0.0) {
            return false;
        }
        const int end = fa < 0.0 ? 0 : (fb < 0.0 ? 1 : -1);
        if (end < 0) {
            continue;
        }
        const double t = fa / (fa - fb);
        if (end == 0 ? t > enter : t < leave) {
            (end == 0 ? enter : leave) = t;
            cut[end] = CutPoint(ends[0], fa, ends[1], fb);
            if (plane == kNearPlane) {
                cut[end].z = nearDepth;
            }
            moved[end] = true;
        }
    }
    if (!(enter < leave)) {
        return false;
    }
    for (int end = 0; end < 2; ++end) {
        out[end] = Project(cut[end], moved[end] ? -1 : end);
    }
    return true;
}

// Sutherland-Hodgman: the polygon is cut by one plane after the other, each cut keeping the
// corners on the inner side and adding the point where a side crosses.
int CProjectionRegion::ClipTriangle(const CVector3D corners[3], ClipVertex out[kMaxClipVertices]) const {
    CVector3D scaled[3];
    if (!Normalise(corners, 3, scaled)) {
        return 0;
    }
    const double nearDepth = kNearFraction * LargestCoordinate(scaled, 3);
    SWorkVertex buffers[2][kMaxClipVertices];
    SWorkVertex* polygon = buffers[0];
    SWorkVertex* next = buffers[1];
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
                SWorkVertex cut{CutPoint(polygon[k].eye, values[k], polygon[l].eye, values[l]), -1};
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
    for (int k = 0; k < count; ++k) {
        out[k] = Project(polygon[k].eye, polygon[k].corner);
    }
    return count;
}

}  // namespace quorvane

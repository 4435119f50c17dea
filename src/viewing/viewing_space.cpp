#include "viewing/viewing_space.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane {

namespace {

// Half of the initial 45-degree angle in radians, with pi taken as 3.14159265358979.
constexpr double kInitialHalfAngle = 0.39269908169872375;
// The eye does not zoom out beyond this distance from the At Point...
constexpr double kFarthestZoom = 5000.0;
// ...nor zoom in closer than this.
constexpr double kNearestZoom = 0.1;

}  // namespace

CViewingSpace::CViewingSpace() : m_projScale(1.0 / (2.0 * std::tan(kInitialHalfAngle))) {
    ComputeBasis();
}

void CViewingSpace::SetFromPoint(const CVector3D& from) {
    m_from = from;
    ComputeBasis();
}

void CViewingSpace::SetAtPoint(const CVector3D& at) {
    m_at = at;
    ComputeBasis();
}

void CViewingSpace::SetUpVector(const CVector3D& up) {
    m_up = up;
    ComputeBasis();
}

// Clamps the angle to [0.5, 180] degrees (both ends accepted) and derives k from half of it.
void CViewingSpace::SetViewingAngle(double degrees) {
    m_viewingAngle = degrees;
    if (degrees > 180.0) {
        m_viewingAngle = 180.0;
    } else if (degrees < 0.5) {
        m_viewingAngle = 0.5;
    }
    m_projScale = 1.0 / (2.0 * std::tan(m_viewingAngle * kHalfRadiansPerDegree));
}

// n along the sight line, u = sight x up, v = u x sight, each divided by its own length.
void CViewingSpace::ComputeBasis() {
    const CVector3D t = m_at - m_from;
    m_n = t / t.Length();
    const CVector3D q = t.Cross(m_up);
    m_u = q / q.Length();
    const CVector3D r = q.Cross(t);
    m_v = r / r.Length();
}

// A zero axis counts too: a length that overflows divides its vector to zero without any NaN.
bool CViewingSpace::IsDegenerate() const {
    const CVector3D zero;
    return !(m_u.IsFinite() && m_v.IsFinite() && m_n.IsFinite()) || m_u == zero || m_v == zero || m_n == zero;
}

CVector3D CViewingSpace::WorldToEye(const CVector3D& point) const {
    const CVector3D d = point - m_from;
    return {d.Dot(m_u), d.Dot(m_v), d.Dot(m_n)};
}

CVector3D CViewingSpace::Project(const CVector3D& eye) const {
    return {m_projScale * eye.x / eye.z + 0.5, m_projScale * eye.y / eye.z + 0.5, 0.0};
}

CVector3D CViewingSpace::EyeToWorld(const CVector3D& direction) const {
    return m_u * direction.x + m_v * direction.y + m_n * direction.z;
}

// One zoom step, refused beyond the distance limits; the step can pass a limit once.
void CViewingSpace::Zoom(double percent) {
    const double distance = (m_at - m_from).Length();
    const bool step = percent >= 100.0 ? distance < kFarthestZoom : distance > kNearestZoom;
    if (step) {
        m_from = m_at + (m_from - m_at) * (percent * 0.01);
    }
    ComputeBasis();
}

// The offsets are not normalised, so a step grows with the distance to the At Point.
void CViewingSpace::Pan(double a, double b) {
    const CVector3D d = m_at - m_from;
    const CVector3D sideways = m_up.Cross(d);
    const CVector3D upwards = d.Cross(sideways);
    const CVector3D p = sideways * a + upwards * b;
    m_at = m_at + p;
    m_from = m_from + p;
}

// Both axes come from the camera on entry; the vertical turn is applied first.
void CViewingSpace::Orbit(double verticalDegrees, double horizontalDegrees) {
    CVector3D r = m_from - m_at;
    const CVector3D verticalAxis = r.Cross(m_up);
    const CVector3D horizontalAxis = verticalAxis.Cross(r);
    if (verticalDegrees != 0.0) {
        r = r.Rotate(verticalAxis, verticalDegrees);
        m_up = m_up.Rotate(verticalAxis, verticalDegrees);
    }
    if (horizontalDegrees != 0.0) {
        r = r.Rotate(horizontalAxis, horizontalDegrees);
        m_up = m_up.Rotate(horizontalAxis, horizontalDegrees);
    }
    m_from = r + m_at;
    ComputeBasis();
}

// The lanes hold the x and y parts: each runs WorldToEye's dot product and Project's scaling,
// division and offset in their order, rounded as the scalar operations are.
void ProjectPoints(const CViewingSpace& camera, const CVector3D* points, std::size_t first, std::size_t last,
                   double* imageX, double* imageY, EyeSide* sides) {
    const CVector3D from = camera.GetFromPoint();
    const CVector3D& u = camera.GetU();
    const CVector3D& v = camera.GetV();
    const CVector3D& n = camera.GetN();
    const auto side = [](const CVector3D& e) {
        if (!e.IsFinite()) {
            return EyeSide::kNotFinite;
        }
        return e.z > 0.0 ? EyeSide::kInFront : EyeSide::kBehind;
    };
    std::size_t i = first;
#if defined(__SSE2__)
    const __m128d axisX = _mm_set_pd(v.x, u.x);
    const __m128d axisY = _mm_set_pd(v.y, u.y);
    const __m128d axisZ = _mm_set_pd(v.z, u.z);
    const __m128d scale = _mm_set1_pd(camera.GetProjectionScale());
    const __m128d half = _mm_set1_pd(0.5);
    for (; i < last; ++i) {
        const CVector3D d = points[i] - from;
        const __m128d xy =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(d.x), axisX), _mm_mul_pd(_mm_set1_pd(d.y), axisY)),
                       _mm_mul_pd(_mm_set1_pd(d.z), axisZ));
        const double z = d.Dot(n);
        const __m128d q = _mm_add_pd(_mm_div_pd(_mm_mul_pd(scale, xy), _mm_set1_pd(z)), half);
        imageX[i] = _mm_cvtsd_f64(q);
        imageY[i] = _mm_cvtsd_f64(_mm_unpackhi_pd(q, q));
        sides[i] = side({_mm_cvtsd_f64(xy), _mm_cvtsd_f64(_mm_unpackhi_pd(xy, xy)), z});
    }
#endif
    for (; i < last; ++i) {
        const CVector3D e = camera.WorldToEye(points[i]);
        const CVector3D q = camera.Project(e);
        imageX[i] = q.x;
        imageY[i] = q.y;
        sides[i] = side(e);
    }
}

}  // namespace quorvane

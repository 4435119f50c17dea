// The camera: From Point, At Point, Up Vector and viewing angle, with the derived unit basis,
// the projection to normalised image coordinates and the three mouse-driven motions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/vector3d.h"

namespace quorvane {

class CViewingSpace {
  public:
    // From (1, 1, 1) towards the origin, y up, 45 degrees.
    CViewingSpace();

    void SetFromPoint(const CVector3D& from);
    void SetAtPoint(const CVector3D& at);
    void SetUpVector(const CVector3D& up);
    // Stores the angle clamped to [0.5, 180] degrees and recomputes the projection scale.
    void SetViewingAngle(double degrees);

    CVector3D GetFromPoint() const { return m_from; }
    CVector3D GetAtPoint() const { return m_at; }
    CVector3D GetUpVector() const { return m_up; }
    double GetViewingAngle() const { return m_viewingAngle; }
    // k = 1 / (2 tan(angle / 2)).
    double GetProjectionScale() const { return m_projScale; }
    // Unit right axis, unit up axis and unit viewing direction of the camera.
    const CVector3D& GetU() const { return m_u; }
    const CVector3D& GetV() const { return m_v; }
    const CVector3D& GetN() const { return m_n; }

    // Derives m_n, m_u and m_v from the two points and the Up Vector (no guard against zero lengths).
    void ComputeBasis();
    // True when the basis has a non-finite component (coinciding points, Up Vector along the sight
    // line) or a zero axis (a length that overflows double precision).
    bool IsDegenerate() const;

    // Eye coordinates of a world point: along the right axis, the up axis and the viewing direction.
    CVector3D WorldToEye(const CVector3D& point) const;
    // Normalised image coordinates (x, y, 0) of an eye point; the line of sight lands on (0.5, 0.5).
    CVector3D Project(const CVector3D& eye) const;
    // A direction given in eye coordinates turned into world coordinates (no translation).
    CVector3D EyeToWorld(const CVector3D& direction) const;

    // Moves the From Point along the line of sight to `percent` of its distance from the At Point.
    void Zoom(double percent);
    // Moves both points sideways by a times (Up x sight) plus b times (sight x (Up x sight)).
    void Pan(double a, double b);
    // Turns the From Point and the Up Vector about the At Point, vertically then horizontally.
    void Orbit(double verticalDegrees, double horizontalDegrees);

  private:
    CVector3D m_from{1.0, 1.0, 1.0};
    CVector3D m_at{0.0, 0.0, 0.0};
    CVector3D m_up{0.0, 1.0, 0.0};
    double m_viewingAngle = 45.0;
    double m_projScale;
    CVector3D m_u;
    CVector3D m_v;
    CVector3D m_n;
};

// Where a projected point lies: in front of the eye, at or behind it, or with eye coordinates that
// are not all finite.
enum class EyeSide : std::uint8_t { kInFront, kBehind, kNotFinite };

// Project(WorldToEye(points[i])) into imageX[i] and imageY[i] for i = first .. last - 1, to the bit,
// with the side of the eye each point lies on; two coordinates at a time where the processor has
// two-lane vectors.
void ProjectPoints(const CViewingSpace& camera, const CVector3D* points, std::size_t first, std::size_t last,
                   double* imageX, double* imageY, EyeSide* sides);

}  // namespace quorvane

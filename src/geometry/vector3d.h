// The one geometric value type: a position or direction of three doubles.
#pragma once

#include <cmath>

namespace quorvane {

// Degrees to radians with pi taken as 3.14159265358979.
inline constexpr double kRadiansPerDegree = 0.017453292519943278;
// Degrees to half an angle in radians (pi / 360).
inline constexpr double kHalfRadiansPerDegree = 0.008726646259971639;

class CVector3D {
  public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr CVector3D() = default;
    constexpr CVector3D(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    double Length() const { return std::sqrt(x * x + y * y + z * z); }
    constexpr double LengthSquared() const { return x * x + y * y + z * z; }
    constexpr double Dot(const CVector3D& b) const { return x * b.x + y * b.y + z * b.z; }
    constexpr CVector3D Cross(const CVector3D& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    constexpr CVector3D operator+(const CVector3D& b) const { return {x + b.x, y + b.y, z + b.z}; }
    constexpr CVector3D operator-(const CVector3D& b) const { return {x - b.x, y - b.y, z - b.z}; }
    constexpr CVector3D operator*(double s) const { return {x * s, y * s, z * s}; }
    // A true division of each component (not a multiplication by 1/s).
    constexpr CVector3D operator/(double s) const { return {x / s, y / s, z / s}; }
    constexpr bool operator==(const CVector3D&) const = default;

    // This vector turned about the axis through the origin by `degrees`; a positive angle
    // turns clockwise seen from the axis's tip looking back at the origin.
    CVector3D Rotate(const CVector3D& axis, double degrees) const;

    bool IsFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
};

}  // namespace quorvane

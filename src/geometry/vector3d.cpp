#include "geometry/vector3d.h"

namespace quorvane {

CVector3D CVector3D::Rotate(const CVector3D& axis, double degrees) const {
    const double radians = degrees * kRadiansPerDegree;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const CVector3D n = axis / axis.Length();
    const double along = Dot(n);
    // Parallel, antiparallel and zero vectors stay as they are; so does any vector when the
    // axis has no length: `along` is then NaN, and the negated comparison counts as equal.
    if (!(std::fabs(along) != Length())) {
        return *this;
    }
    return (*this * c + Cross(n) * s) + n * ((1.0 - c) * along);
}

}  // namespace quorvane

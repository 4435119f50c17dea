#include "geometry/vector3d.h"

namespace quorvane {

CVector3D CVector3D::Rotate(const CVector3D& axis, double degrees) const {
    const double radians = degrees * kRadiansPerDegree;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const CVector3D n = axis / axis.Length();
    const double along = Dot(n);
    const double length = Length();
    // Parallel, antiparallel and zero vectors stay as they are; so does any vector when the
    // axis has no length: `along` is then NaN, which is neither less nor greater.
    if (!(std::fabs(along) < length || std::fabs(along) > length)) {
        return *this;
    }
    return (*this * c + Cross(n) * s) + n * ((1.0 - c) * along);
}

}  // namespace quorvane

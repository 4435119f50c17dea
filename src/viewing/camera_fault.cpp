#include "viewing/camera_fault.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// The largest magnitude of the three components.
double LargestComponent(const CVector3D& v) {
    return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
}

// Whether two vectors are parallel, judged on copies scaled to a largest component of 1, so
// that an underflow of their own cross product does not count as parallel.
bool Parallel(const CVector3D& a, const CVector3D& b) {
    const CVector3D p = a / LargestComponent(a);
    const CVector3D q = b / LargestComponent(b);
    return p.Cross(q) == CVector3D();
}

// The reason when a vector made on the way (its name in `what`) has no finite, non-zero length.
std::string StepFault(const CVector3D& v, const char* what) {
    const double length = v.Length();
    if (!v.IsFinite() || !std::isfinite(length)) {
        return std::string(what) +
               " overflows double precision (the From Point, At Point and Up Vector are too large)";
    }
    if (length == 0.0) {
        return std::string(what) + " underflows double precision (the numbers are too small)";
    }
    return std::string();
}

}  // namespace

std::string DescribeCameraFault(const CViewingSpace& camera) {
    if (!camera.IsDegenerate()) {
        return std::string();
    }
    const CVector3D from = camera.GetFromPoint();
    const CVector3D at = camera.GetAtPoint();
    const CVector3D up = camera.GetUpVector();
    if (!from.IsFinite()) {
        return "the From Point is not a finite number";
    }
    if (!at.IsFinite()) {
        return "the At Point is not a finite number";
    }
    if (!up.IsFinite()) {
        return "the Up Vector is not a finite number";
    }
    const CVector3D sight = at - from;
    if (sight == CVector3D()) {
        return "the From Point equals the At Point";
    }
    if (std::string fault = StepFault(sight, "the distance from the From Point to the At Point");
        !fault.empty()) {
        return fault;
    }
    if (up == CVector3D()) {
        return "the Up Vector is zero";
    }
    const CVector3D right = sight.Cross(up);
    if (right.IsFinite() && right.Length() == 0.0 && Parallel(sight, up)) {
        return "the Up Vector is parallel to the line of sight";
    }
    if (std::string fault = StepFault(right, "the cross product of the line of sight and the Up Vector");
        !fault.empty()) {
        return fault;
    }
    if (std::string fault = StepFault(right.Cross(sight), "the camera's up direction"); !fault.empty()) {
        return fault;
    }
    return "a camera axis is not a finite number";
}

}  // namespace quorvane

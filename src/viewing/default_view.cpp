#include "viewing/default_view.h"

namespace quorvane {

namespace {

// The eye stands this many largest extents in front of the box centre.
constexpr double kDistanceInExtents = 2.5;
constexpr double kDefaultViewingAngle = 45.0;

}  // namespace

// Eye on the +z side of the centre at 2.5 times the largest extent (y first, then x, then z).
void SetDefaultView(CViewingSpace& camera, double maxX, double minX, double maxY, double minY, double maxZ,
                    double minZ) {
    const double extentX = maxX - minX;
    const double extentY = maxY - minY;
    const double extentZ = maxZ - minZ;
    double extent = extentY;
    if (extentX > extent) {
        extent = extentX;
    }
    if (extentZ > extent) {
        extent = extentZ;
    }
    // All vertices in one point: the eye would sit on the At Point and leave no line of sight.
    if (extent == 0.0) {
        extent = 1.0;
    }
    const CVector3D centre((maxX + minX) * 0.5, (maxY + minY) * 0.5, (maxZ + minZ) * 0.5);
    camera.SetAtPoint(centre);
    camera.SetFromPoint(CVector3D(centre.x, centre.y, centre.z + kDistanceInExtents * extent));
    camera.SetUpVector(CVector3D(0.0, 1.0, 0.0));
    camera.SetViewingAngle(kDefaultViewingAngle);
}

void SetDefaultView(CViewingSpace& camera, const CQuorvaneDoc& doc) {
    SetDefaultView(camera, doc.m_maxX, doc.m_minX, doc.m_maxY, doc.m_minY, doc.m_maxZ, doc.m_minZ);
}

}  // namespace quorvane

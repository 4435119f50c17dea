// The rules of editing: picking the vertex nearest to a double-click and turning a mouse drag into
// a movement of that vertex.
#pragma once

#include <optional>
#include <span>

#include "geometry/vector3d.h"
#include "viewing/viewing_space.h"

namespace quorvane {

// The index of the vertex whose line-end pixel (column trunc(S x), row S - trunc(S y)) is nearest to
// pixel (px, py) of the image by squared distance in whole pixels, exact for pixels up to 2^62 from
// the image (pinned there beyond); the lowest index among equal distances. There is no distance
// limit. Vertices whose normalised position is not finite take no part. -1 when no vertex takes
// part. Only the first min(imageX.size(), imageY.size()) entries count.
int SelectNearestVertex(int imageSize, int px, int py, std::span<const double> imageX,
                        std::span<const double> imageY);

// The movement of the selected vertex for a mouse drag of (dx, dy) client pixels (y downward):
// with d = From - At and A = d x Up, B = A x d (not normalised), the left button (alone or with the
// right) gives A (dx (-0.01)) + (B dy) (-0.01), the right button alone d (dy 0.01), no button none.
std::optional<CVector3D> ComputeDragOffset(const CViewingSpace& camera, int dx, int dy, bool leftButtonDown,
                                           bool rightButtonDown);

// Moves `vertex` by `offset` unless a coordinate of the result would not be finite, in which case
// the vertex is left as it is. Returns whether it moved: an offset that changes no coordinate (zero,
// or too small to change a coordinate of the vertex's size) leaves the vertex as it is and is no
// move.
bool MoveVertex(CVector3D& vertex, const CVector3D& offset);

}  // namespace quorvane

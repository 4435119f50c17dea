#include "editing/editing.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "model/pixel.h"

namespace quorvane {

namespace {

// Squared distances of pixel coordinates up to 2^32 apart need 65 bits when added.
__extension__ typedef unsigned __int128 UInt128;

constexpr double kDragFactor = 0.01;

// The square of a difference of two ints, exact.
std::uint64_t SquaredDifference(int a, int b) {
    const std::int64_t d = std::int64_t{a} - std::int64_t{b};
    const std::uint64_t magnitude = static_cast<std::uint64_t>(d < 0 ? -d : d);
    return magnitude * magnitude;
}

}  // namespace

// A linear scan with exact 128-bit scores; a strictly smaller score replaces the best so far.
int SelectNearestVertex(int imageSize, int px, int py, std::span<const double> imageX,
                        std::span<const double> imageY) {
    const std::size_t n = imageX.size() < imageY.size() ? imageX.size() : imageY.size();
    int best = -1;
    UInt128 bestScore = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(imageX[i]) || !std::isfinite(imageY[i])) {
            continue;
        }
        const PixelPoint p = LinePixel(imageSize, imageX[i], imageY[i]);
        const UInt128 score = UInt128{SquaredDifference(px, p.x)} + SquaredDifference(py, p.y);
        if (best < 0 || score < bestScore) {
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

std::optional<CVector3D> ComputeDragOffset(const CViewingSpace& camera, int dx, int dy, bool leftButtonDown,
                                           bool rightButtonDown) {
    const CVector3D d = camera.GetFromPoint() - camera.GetAtPoint();
    if (leftButtonDown) {
        const CVector3D a = d.Cross(camera.GetUpVector());
        const CVector3D b = a.Cross(d);
        return a * (static_cast<double>(dx) * -kDragFactor) + (b * static_cast<double>(dy)) * -kDragFactor;
    }
    if (rightButtonDown) {
        return d * (static_cast<double>(dy) * kDragFactor);
    }
    return std::nullopt;
}

bool MoveVertex(CVector3D& vertex, const CVector3D& offset) {
    const CVector3D moved = vertex + offset;
    if (!moved.IsFinite() || (moved.x == vertex.x && moved.y == vertex.y && moved.z == vertex.z)) {
        return false;
    }
    vertex = moved;
    return true;
}

}  // namespace quorvane
